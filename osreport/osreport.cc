#include "osreport/osreport.h"

#include <stdio.h>

#include "osreport/edition_line.h"
#include "osreport/version_fields.h"
#include "osreport/version_report.h"

namespace {

bool IsFullReportRequested(int argc, char** argv) {
  return argc > 1 && lstrcmpiA(argv[1], "/F") == 0;
}

}  // namespace

int RunOsreport(int argc, char** argv, VersionQueryFunction query) {
  const bool full_report = IsFullReportRequested(argc, argv);
  OSVERSIONINFOEXA record;
  const VersionQueryResult result = QueryVersionRecord(&record, query);
  if (!result.obtained) {
    printf("Error %d calling GetVersionEx()\n", AsPrintedNumber(result.error_code));
    return 1;
  }
  if (full_report)
    PrintVersionRecord(record, result.extended);
  PrintEditionLine(record);
  return 0;
}

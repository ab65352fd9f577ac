#include "osreport/osreport.h"

#include <stdio.h>
#include <string.h>

#include "osreport/edition_line.h"
#include "osreport/version_fields.h"
#include "osreport/version_report.h"

namespace {

bool IsFullReportRequested(int argc, char** argv) {
  return argc > 1 && lstrcmpiA(argv[1], "/F") == 0;
}

}  // namespace

VersionQueryResult QueryVersionRecord(OSVERSIONINFOEXA* record, VersionQueryFunction query) {
  LPOSVERSIONINFOA basic = reinterpret_cast<LPOSVERSIONINFOA>(record);
  VersionQueryResult result = {false, false, 0};

  memset(record, 0, sizeof(*record));
  record->dwOSVersionInfoSize = kExtendedRecordSize;
  result.extended = query(basic) != FALSE;
  if (result.extended) {
    result.obtained = true;
    return result;
  }

  // The record is not cleared again: a failed query leaves it as it was,
  // and the extended fields keep their zeros for the edition decision.
  record->dwOSVersionInfoSize = kBasicRecordSize;
  result.obtained = query(basic) != FALSE;
  if (!result.obtained)
    result.error_code = GetLastError();
  return result;
}

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

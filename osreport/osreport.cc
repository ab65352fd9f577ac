#include "osreport/osreport.h"

#include <stdio.h>
#include <string.h>

#include "osreport/edition_line.h"
#include "osreport/version_fields.h"

namespace {

struct SuiteWord {
  WORD bit;
  const char* text;
};

// In the order the report lists them. "VER_SUITE_TERMINAL" comes last and
// carries no blank, so a line that ends with it has no trailing blank.
const SuiteWord kSuiteWords[] = {
    {VER_SUITE_BACKOFFICE, "VER_SUITE_BACKOFFICE "},
    {VER_SUITE_BLADE, "VER_SUITE_BLADE "},
    {VER_SUITE_DATACENTER, "VER_SUITE_DATACENTER "},
    {VER_SUITE_ENTERPRISE, "VER_SUITE_ENTERPRISE "},
    {VER_SUITE_PERSONAL, "VER_SUITE_PERSONAL "},
    {VER_SUITE_SMALLBUSINESS, "VER_SUITE_SMALLBUSINESS "},
    {VER_SUITE_SMALLBUSINESS_RESTRICTED, "VER_SUITE_SMALLBUSINESS_RESTRICTED "},
    {VER_SUITE_TERMINAL, "VER_SUITE_TERMINAL"},
};

const char* PlatformName(DWORD platform_id) {
  switch (platform_id) {
    case VER_PLATFORM_WIN32s:
      return "VER_PLAFTORM_WIN32s";
    case VER_PLATFORM_WIN32_WINDOWS:
      return "VER_PLATFORM_WIN32_WINDOWS";
    case VER_PLATFORM_WIN32_NT:
      return "VER_PLATFORM_WIN32_NT";
    default:
      return "<UNKNOWN>";
  }
}

const char* ProductTypeName(BYTE product_type) {
  switch (product_type) {
    case VER_NT_WORKSTATION:
      return "VER_NT_WORKSTATION";
    case VER_NT_DOMAIN_CONTROLLER:
      return "VER_NT_DOMAIN_CONTROLLER";
    case VER_NT_SERVER:
      return "VER_NT_SERVER";
    default:
      return "UNKNOWN";
  }
}

// The words of the suite bits that are set, each but the last possible one
// followed by a blank.
void PrintSuiteWords(WORD suite_mask) {
  for (const SuiteWord& word : kSuiteWords) {
    if (suite_mask & word.bit)
      printf("%s", word.text);
  }
}

void PrintExtendedFields(const OSVERSIONINFOEXA& record) {
  printf("Service Pack:        %d.%d\n", AsPrintedNumber(record.wServicePackMajor),
         AsPrintedNumber(record.wServicePackMinor));
  printf("Suite Mask (0x%04x): ", static_cast<unsigned>(record.wSuiteMask));
  PrintSuiteWords(record.wSuiteMask);
  printf("\n");
  printf("Product Type:        %s (0x%04X)\n\n", ProductTypeName(record.wProductType),
         static_cast<unsigned>(record.wProductType));
}

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

void PrintVersionRecord(const OSVERSIONINFOEXA& record, bool extended) {
  printf("Version:             %d.%d\n", AsPrintedNumber(record.dwMajorVersion),
         AsPrintedNumber(record.dwMinorVersion));
  printf("Build:               %d\n", AsPrintedNumber(BuildValue(record)));
  printf("Platform ID:         %s (0x%08X)\n", PlatformName(record.dwPlatformId),
         static_cast<unsigned>(record.dwPlatformId));
  printf("CSDVersion:          '%.*s'\n", CsdPrecision(record), record.szCSDVersion);
  if (extended)
    PrintExtendedFields(record);
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

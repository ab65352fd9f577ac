// One run of osreport, from its arguments to its exit status, and the
// version record it obtains from the platform and reports.
#ifndef OSREPORT_OSREPORT_H_
#define OSREPORT_OSREPORT_H_

#include <windows.h>

constexpr DWORD kExtendedRecordSize = 156;
constexpr DWORD kBasicRecordSize = 148;

static_assert(sizeof(OSVERSIONINFOEXA) == kExtendedRecordSize,
              "the extended version record has the platform's layout");
static_assert(sizeof(OSVERSIONINFOA) == kBasicRecordSize,
              "the basic version record has the platform's layout");

// The platform's version query, or a stand-in for it in tests.
typedef BOOL(WINAPI* VersionQueryFunction)(LPOSVERSIONINFOA);

struct VersionQueryResult {
  bool obtained;
  // True when the record carries the extended fields (service-pack numbers,
  // suite mask, product type); otherwise those hold zeros.
  bool extended;
  // The platform's code for the last failure; meaningful only when the
  // record was not obtained.
  DWORD error_code;
};

// Asks for the extended record first and falls back to the basic one, which
// older systems alone understand.
VersionQueryResult QueryVersionRecord(OSVERSIONINFOEXA* record,
                                      VersionQueryFunction query = GetVersionExA);

// The raw report: the version record's fields, one per line, to standard
// output; the service-pack numbers, suite mask and product type only when
// the record is |extended|.
void PrintVersionRecord(const OSVERSIONINFOEXA& record, bool extended);

// Writes the raw report when the first argument asks for it ("/F" in any
// case; later arguments are not looked at) and the edition line, and returns
// the exit status: 0 once the record was obtained, 1 when it could not be.
int RunOsreport(int argc, char** argv, VersionQueryFunction query = GetVersionExA);

#endif  // OSREPORT_OSREPORT_H_

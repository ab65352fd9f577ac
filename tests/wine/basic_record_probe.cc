// osreport as it runs on Windows 95 and on NT 4.0 before Service Pack 6,
// which know only the basic version record: the version query here refuses
// the extended record's size, as those systems do, and hands every other
// request to GetVersionExA. Wine grants the extended record for every
// version it can be set to, so osreport's fallback is reached only this way.
#include <windows.h>

#include "osreport/osreport.h"

namespace {

BOOL WINAPI BasicRecordOnly(LPOSVERSIONINFOA record) {
  if (record->dwOSVersionInfoSize == kExtendedRecordSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  return GetVersionExA(record);
}

}  // namespace

int main(int argc, char** argv) { return RunOsreport(argc, argv, BasicRecordOnly); }

#include "osreport/version_record_testing.h"

#include <cstring>

OSVERSIONINFOEXA MakeRecord(DWORD platform_id, DWORD major, DWORD minor, DWORD build,
                            const char* csd, BYTE product_type, WORD suite_mask) {
  OSVERSIONINFOEXA record;
  std::memset(&record, 0, sizeof(record));
  record.dwOSVersionInfoSize = sizeof(record);
  record.dwPlatformId = platform_id;
  record.dwMajorVersion = major;
  record.dwMinorVersion = minor;
  record.dwBuildNumber = build;
  std::strncpy(record.szCSDVersion, csd, sizeof(record.szCSDVersion) - 1);
  record.wProductType = product_type;
  record.wSuiteMask = suite_mask;
  return record;
}

void FillUpToRequestedSize(LPOSVERSIONINFOA destination, const OSVERSIONINFOEXA& source) {
  const DWORD size = destination->dwOSVersionInfoSize;
  std::memcpy(destination, &source, size);
  destination->dwOSVersionInfoSize = size;
}

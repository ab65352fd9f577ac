// Test helper: version records built by hand, as a platform would fill them.
#ifndef OSREPORT_TEST_RECORDS_H_
#define OSREPORT_TEST_RECORDS_H_

#include <windows.h>

#include <cstring>

inline OSVERSIONINFOEXA MakeRecord(DWORD platform_id, DWORD major, DWORD minor,
                                   DWORD build, const char* csd,
                                   BYTE product_type = 0, WORD suite_mask = 0) {
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

// Fills |destination| from |source| as far as its size field asks, the way
// the platform's query does, keeping that size field.
inline void FillUpToRequestedSize(LPOSVERSIONINFOA destination,
                                  const OSVERSIONINFOEXA& source) {
  const DWORD size = destination->dwOSVersionInfoSize;
  std::memcpy(destination, &source, size);
  destination->dwOSVersionInfoSize = size;
}

#endif  // OSREPORT_TEST_RECORDS_H_

// For tests: version records built by hand, as a platform would fill them.
#ifndef OSREPORT_VERSION_RECORD_TESTING_H_
#define OSREPORT_VERSION_RECORD_TESTING_H_

#include <windows.h>

OSVERSIONINFOEXA MakeRecord(DWORD platform_id, DWORD major, DWORD minor, DWORD build,
                            const char* csd, BYTE product_type = 0, WORD suite_mask = 0);

// Fills |destination| from |source| as far as its size field asks, the way
// the platform's query does, keeping that size field.
void FillUpToRequestedSize(LPOSVERSIONINFOA destination, const OSVERSIONINFOEXA& source);

#endif  // OSREPORT_VERSION_RECORD_TESTING_H_

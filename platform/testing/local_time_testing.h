// For tests only: a GetLocalTime whose answer a test can fix, linked into
// test binaries in place of platform/kernel32/local_time-posix.cc. Unfixed,
// it reports the real local time.
#ifndef PLATFORM_TESTING_LOCAL_TIME_TESTING_H_
#define PLATFORM_TESTING_LOCAL_TIME_TESTING_H_

#include <windows.h>

namespace test_hooks {

// Fixes the time GetLocalTime reports, until ClearFixedLocalTime.
void SetFixedLocalTime(const SYSTEMTIME& time);
void ClearFixedLocalTime();

}  // namespace test_hooks

#endif  // PLATFORM_TESTING_LOCAL_TIME_TESTING_H_

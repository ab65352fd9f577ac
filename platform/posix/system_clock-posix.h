// The host's clock read as Windows reports local time, for GetLocalTime in
// programs (local_time-posix.cc) and in tests (which may fix it instead),
// and the one conversion from the C library's calendar time to SYSTEMTIME
// for every stand-in that reports a local time.
#ifndef PLATFORM_POSIX_SYSTEM_CLOCK_POSIX_H_
#define PLATFORM_POSIX_SYSTEM_CLOCK_POSIX_H_

#include <time.h>
#include <windows.h>

SYSTEMTIME ReadLocalClock();

// `calendar` (as localtime_r fills it) with `milliseconds` past its second.
// A leap second, which the C library shows as second 60, is second 59:
// SYSTEMTIME has no room for it.
SYSTEMTIME SystemTimeFromTm(const tm& calendar, WORD milliseconds);

#endif  // PLATFORM_POSIX_SYSTEM_CLOCK_POSIX_H_

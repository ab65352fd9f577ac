// The host's clock read as Windows reports local time, for GetLocalTime in
// programs (local_time-posix.cc) and in tests (which may fix it instead).
#ifndef JOBWARDEN_PLATFORM_KERNEL32_SYSTEM_CLOCK_POSIX_H
#define JOBWARDEN_PLATFORM_KERNEL32_SYSTEM_CLOCK_POSIX_H

#include <windows.h>

SYSTEMTIME ReadLocalClock();

#endif  // JOBWARDEN_PLATFORM_KERNEL32_SYSTEM_CLOCK_POSIX_H

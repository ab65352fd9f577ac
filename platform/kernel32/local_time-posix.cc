// GetLocalTime for hosts that are not Windows: the clock programs link.
// Tests link platform/testing/local_time_testing.cc in its place.
#include <windows.h>

#include "platform/posix/system_clock-posix.h"

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) { *lpSystemTime = ReadLocalClock(); }

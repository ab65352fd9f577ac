#include "platform/posix/system_clock-posix.h"

SYSTEMTIME ReadLocalClock() {
  timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local = {};
  localtime_r(&now.tv_sec, &local);
  return SystemTimeFromTm(local, static_cast<WORD>(now.tv_nsec / 1000000));
}

SYSTEMTIME SystemTimeFromTm(const tm& calendar, WORD milliseconds) {
  SYSTEMTIME time = {};
  time.wYear = static_cast<WORD>(calendar.tm_year + 1900);
  time.wMonth = static_cast<WORD>(calendar.tm_mon + 1);
  time.wDayOfWeek = static_cast<WORD>(calendar.tm_wday);
  time.wDay = static_cast<WORD>(calendar.tm_mday);
  time.wHour = static_cast<WORD>(calendar.tm_hour);
  time.wMinute = static_cast<WORD>(calendar.tm_min);
  time.wSecond = static_cast<WORD>(calendar.tm_sec > 59 ? 59 : calendar.tm_sec);
  time.wMilliseconds = milliseconds;
  return time;
}

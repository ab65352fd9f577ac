#include "platform/posix/system_clock-posix.h"

#include <gtest/gtest.h>

namespace {

// Monday 2026-12-07 10:21:07.
tm Calendar() {
  tm calendar = {};
  calendar.tm_year = 126;
  calendar.tm_mon = 11;
  calendar.tm_mday = 7;
  calendar.tm_wday = 1;
  calendar.tm_hour = 10;
  calendar.tm_min = 21;
  calendar.tm_sec = 7;
  return calendar;
}

TEST(SystemClockTest, ConvertsEveryFieldFromTheCalendarsOrigins) {
  const SYSTEMTIME time = SystemTimeFromTm(Calendar(), 999);
  EXPECT_EQ(time.wYear, 2026);
  EXPECT_EQ(time.wMonth, 12);
  EXPECT_EQ(time.wDay, 7);
  EXPECT_EQ(time.wDayOfWeek, 1);
  EXPECT_EQ(time.wHour, 10);
  EXPECT_EQ(time.wMinute, 21);
  EXPECT_EQ(time.wSecond, 7);
  EXPECT_EQ(time.wMilliseconds, 999);
}

TEST(SystemClockTest, ALeapSecondIsTheLastSecondOfItsMinute) {
  tm calendar = Calendar();
  calendar.tm_sec = 59;
  EXPECT_EQ(SystemTimeFromTm(calendar, 0).wSecond, 59);
  calendar.tm_sec = 60;
  const SYSTEMTIME leap = SystemTimeFromTm(calendar, 500);
  EXPECT_EQ(leap.wSecond, 59);
  EXPECT_EQ(leap.wMinute, 21);
  EXPECT_EQ(leap.wMilliseconds, 500);
}

}  // namespace

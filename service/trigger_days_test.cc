#include "service/trigger_days.h"

#include <gtest/gtest.h>

using std::chrono::local_days;
using std::chrono::year_month_day;

namespace {

local_days Day(int year, unsigned month, unsigned day) {
  return local_days{
      year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}}};
}

TEST(CalendarDayTest, NamesTheDaysOfTheCalendar) {
  EXPECT_EQ(Day(2024, 2, 29), CalendarDay(2024, 2, 29));
  EXPECT_EQ(Day(1601, 1, 1), CalendarDay(1601, 1, 1));
  EXPECT_EQ(Day(30827, 12, 31), CalendarDay(30827, 12, 31));
  EXPECT_FALSE(CalendarDay(2023, 2, 29));
  EXPECT_FALSE(CalendarDay(2026, 4, 31));
  EXPECT_FALSE(CalendarDay(2026, 0, 1));
  EXPECT_FALSE(CalendarDay(2026, 1, 0));
}

// A damaged file's fields past what the calendar types hold must not wrap
// round onto a real day (day 257 onto the 1st, year 65535 onto -1).
TEST(CalendarDayTest, FieldsTooLargeForTheCalendarNameNoDay) {
  EXPECT_FALSE(CalendarDay(2026, 1, 257));
  EXPECT_FALSE(CalendarDay(2026, 257, 1));
  EXPECT_FALSE(CalendarDay(2026, 13, 1));
  EXPECT_FALSE(CalendarDay(40000, 1, 1));
  EXPECT_FALSE(CalendarDay(65535, 1, 1));
}

}  // namespace

#include "jobwarden/scheduler/trigger_schedule.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

SYSTEMTIME LocalTime(int year, int month, int day, int hour, int minute) {
  SYSTEMTIME time = {};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = 59;
  time.wMilliseconds = 999;
  return time;
}

struct Start {
  int year, month, day, hour, minute;
};

Start StartOf(const TASK_TRIGGER& trigger) {
  return {trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay, trigger.wStartHour,
          trigger.wStartMinute};
}

bool operator==(const Start& a, const Start& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute;
}

std::ostream& operator<<(std::ostream& out, const Start& s) {
  return out << s.year << "-" << s.month << "-" << s.day << " " << s.hour << ":" << s.minute;
}

const TaskFrequency kAllFrequencies[] = {TaskFrequency::Hourly, TaskFrequency::Daily,
                                         TaskFrequency::Weekly, TaskFrequency::Monthly};

}  // namespace

TEST(TriggerSchedule, StartsOneMinuteLaterWithTheCarryDoneForEveryFrequency) {
  const struct {
    SYSTEMTIME now;
    Start expected;
  } cases[] = {
      {LocalTime(2026, 12, 7, 10, 20), {2026, 12, 7, 10, 21}},
      {LocalTime(2026, 12, 7, 10, 59), {2026, 12, 7, 11, 0}},
      {LocalTime(2026, 12, 31, 23, 59), {2027, 1, 1, 0, 0}},
      {LocalTime(2026, 4, 30, 23, 59), {2026, 5, 1, 0, 0}},
      {LocalTime(2028, 2, 28, 23, 59), {2028, 2, 29, 0, 0}},  // leap year
      {LocalTime(2028, 2, 29, 23, 59), {2028, 3, 1, 0, 0}},
      {LocalTime(2100, 2, 28, 23, 59), {2100, 3, 1, 0, 0}},   // century, not leap
      {LocalTime(2000, 2, 28, 23, 59), {2000, 2, 29, 0, 0}},  // 400th year, leap
  };
  for (const auto& c : cases) {
    for (TaskFrequency frequency : kAllFrequencies)
      EXPECT_EQ(StartOf(BuildTrigger(c.now, frequency)), c.expected);
  }
}

TEST(TriggerSchedule, PatternFieldsByFrequency) {
  const SYSTEMTIME now = LocalTime(2026, 12, 7, 10, 20);

  const TASK_TRIGGER hourly = BuildTrigger(now, TaskFrequency::Hourly);
  EXPECT_EQ(hourly.TriggerType, TASK_TIME_TRIGGER_DAILY);
  EXPECT_EQ(hourly.Type.Daily.DaysInterval, 1);
  EXPECT_EQ(hourly.MinutesDuration, 1440u);
  EXPECT_EQ(hourly.MinutesInterval, 60u);

  const TASK_TRIGGER daily = BuildTrigger(now, TaskFrequency::Daily);
  EXPECT_EQ(daily.TriggerType, TASK_TIME_TRIGGER_DAILY);
  EXPECT_EQ(daily.Type.Daily.DaysInterval, 1);
  EXPECT_EQ(daily.MinutesDuration, 0u);
  EXPECT_EQ(daily.MinutesInterval, 0u);

  const TASK_TRIGGER weekly = BuildTrigger(now, TaskFrequency::Weekly);
  EXPECT_EQ(weekly.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
  EXPECT_EQ(weekly.Type.Weekly.WeeksInterval, 1);
  EXPECT_EQ(weekly.Type.Weekly.rgfDaysOfTheWeek, 0x7F);
  EXPECT_EQ(weekly.MinutesDuration, 0u);

  const TASK_TRIGGER monthly = BuildTrigger(now, TaskFrequency::Monthly);
  EXPECT_EQ(monthly.TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
  EXPECT_EQ(monthly.Type.MonthlyDate.rgfDays, 0xFFFFu);
  EXPECT_EQ(monthly.Type.MonthlyDate.rgfMonths, 0x0FFF);
  EXPECT_EQ(monthly.MinutesInterval, 0u);
}

TEST(TriggerSchedule, EverythingElseIsZero) {
  for (TaskFrequency frequency : kAllFrequencies) {
    const TASK_TRIGGER trigger = BuildTrigger(LocalTime(2026, 12, 7, 10, 20), frequency);
    EXPECT_EQ(trigger.cbTriggerSize, sizeof(TASK_TRIGGER));
    EXPECT_EQ(trigger.Reserved1, 0);
    EXPECT_EQ(trigger.wEndYear, 0);
    EXPECT_EQ(trigger.wEndMonth, 0);
    EXPECT_EQ(trigger.wEndDay, 0);
    EXPECT_EQ(trigger.rgFlags, 0u);
    EXPECT_EQ(trigger.Reserved2, 0);
    EXPECT_EQ(trigger.wRandomMinutesInterval, 0);
  }
}

// Every field of the monthly trigger, compared as a whole: at the start time
// on days 1 to 16 of every month, once (no repetition within the day).
TEST(TriggerSchedule, MonthlyTriggerAsAWhole) {
  TASK_TRIGGER expected;
  std::memset(&expected, 0, sizeof(expected));
  expected.cbTriggerSize = sizeof(TASK_TRIGGER);
  expected.wBeginYear = 2026;
  expected.wBeginMonth = 12;
  expected.wBeginDay = 7;
  expected.wStartHour = 10;
  expected.wStartMinute = 21;
  expected.MinutesDuration = 0;
  expected.MinutesInterval = 0;
  expected.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
  expected.Type.MonthlyDate.rgfDays = 0x0000FFFF;
  expected.Type.MonthlyDate.rgfMonths = 0x0FFF;

  const TASK_TRIGGER monthly = BuildTrigger(LocalTime(2026, 12, 7, 10, 20), TaskFrequency::Monthly);
  EXPECT_EQ(monthly.MinutesDuration, 0u);
  EXPECT_EQ(monthly.MinutesInterval, 0u);
  EXPECT_EQ(std::memcmp(&monthly, &expected, sizeof(TASK_TRIGGER)), 0);
}

#include "platform/taskscheduler/trigger_text.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/taskscheduler/trigger_range.h"
#include "platform/testing/trigger_testing.h"

namespace {

using namespace test_triggers;

TEST(DescribeTrigger, DescribesWhatTheClientCreates) {
  EXPECT_EQ(L"At 10:21 every day, starting 12/7/2026",
            DescribeTrigger(TestTrigger(TASK_TIME_TRIGGER_DAILY)));
  EXPECT_EQ(
      L"Every 1 hour(s) from 10:21 for a duration of 24 hour(s) every day, starting 12/7/2026",
      DescribeTrigger(HourlyTestTrigger()));
  EXPECT_EQ(L"At 10:21 every Sun, Mon, Tue, Wed, Thu, Fri, Sat of every week, starting 12/7/2026",
            DescribeTrigger(TestTrigger(TASK_TIME_TRIGGER_WEEKLY)));
  EXPECT_EQ(
      L"At 10:21 on day 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 of every month, "
      L"starting 12/7/2026",
      DescribeTrigger(TestTrigger(TASK_TIME_TRIGGER_MONTHLYDATE)));
}

TEST(DescribeTrigger, DescribesIntervalsAndSubsets) {
  TASK_TRIGGER daily = TestTrigger(TASK_TIME_TRIGGER_DAILY);
  daily.Type.Daily.DaysInterval = 2;
  EXPECT_EQ(L"At 10:21 every 2 days, starting 12/7/2026", DescribeTrigger(daily));

  TASK_TRIGGER weekly = TestTrigger(TASK_TIME_TRIGGER_WEEKLY);
  weekly.Type.Weekly.WeeksInterval = 3;
  weekly.Type.Weekly.rgfDaysOfTheWeek = TASK_MONDAY | TASK_FRIDAY;
  EXPECT_EQ(L"At 10:21 every Mon, Fri of every 3 weeks, starting 12/7/2026",
            DescribeTrigger(weekly));

  TASK_TRIGGER monthly = TestTrigger(TASK_TIME_TRIGGER_MONTHLYDATE);
  monthly.Type.MonthlyDate.rgfDays = 0x40000001;
  monthly.Type.MonthlyDate.rgfMonths = 0x801;
  EXPECT_EQ(L"At 10:21 on day 1, 31 of Jan, Dec, starting 12/7/2026", DescribeTrigger(monthly));

  TASK_TRIGGER dow = TestTrigger(TASK_TIME_TRIGGER_MONTHLYDOW);
  EXPECT_EQ(L"At 10:21 on the first Mon of every month, starting 12/7/2026", DescribeTrigger(dow));
  dow.Type.MonthlyDOW.wWhichWeek = 5;
  dow.Type.MonthlyDOW.rgfDaysOfTheWeek = TASK_SUNDAY | TASK_SATURDAY;
  dow.Type.MonthlyDOW.rgfMonths = 0x042;
  EXPECT_EQ(L"At 10:21 on the last Sun, Sat of Feb, Jul, starting 12/7/2026", DescribeTrigger(dow));
}

TEST(DescribeTrigger, DescribesOneTimeAndEventTriggers) {
  EXPECT_EQ(L"At 10:21 on 12/7/2026", DescribeTrigger(TestTrigger(TASK_TIME_TRIGGER_ONCE)));
  EXPECT_EQ(L"Run whenever the computer becomes idle",
            DescribeTrigger(TestTrigger(TASK_EVENT_TRIGGER_ON_IDLE)));
  EXPECT_EQ(L"At system startup", DescribeTrigger(TestTrigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART)));
  EXPECT_EQ(L"At log on", DescribeTrigger(TestTrigger(TASK_EVENT_TRIGGER_AT_LOGON)));
}

TEST(DescribeTrigger, FormatsTimesDatesAndSpans) {
  TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_DAILY);
  trigger.wStartHour = 0;
  trigger.wStartMinute = 5;
  trigger.wBeginYear = 2027;
  trigger.wBeginMonth = 1;
  trigger.wBeginDay = 2;
  EXPECT_EQ(L"At 0:05 every day, starting 1/2/2027", DescribeTrigger(trigger));

  trigger.MinutesInterval = 45;
  trigger.MinutesDuration = 90;
  EXPECT_EQ(
      L"Every 45 minute(s) from 0:05 for a duration of 90 minute(s) every day, starting 1/2/2027",
      DescribeTrigger(trigger));

  TASK_TRIGGER once = TestTrigger(TASK_TIME_TRIGGER_ONCE);
  once.MinutesInterval = 120;
  once.MinutesDuration = 600;
  EXPECT_EQ(L"Every 2 hour(s) from 10:21 for a duration of 10 hour(s) on 12/7/2026",
            DescribeTrigger(once));
}

TEST(DescribeTrigger, AddsTheEndDateAndTheDisabledMark) {
  TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_DAILY);
  trigger.wEndYear = 2027;
  trigger.wEndMonth = 6;
  trigger.wEndDay = 30;
  EXPECT_EQ(L"At 10:21 every day, starting 12/7/2026", DescribeTrigger(trigger));
  trigger.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
  EXPECT_EQ(L"At 10:21 every day, starting 12/7/2026, ending 6/30/2027", DescribeTrigger(trigger));
  trigger.rgFlags |= TASK_TRIGGER_FLAG_DISABLED;
  EXPECT_EQ(L"At 10:21 every day, starting 12/7/2026, ending 6/30/2027 (disabled)",
            DescribeTrigger(trigger));
}

TEST(DescribeTrigger, NamesAnUnknownKindWithoutReadingItsFields) {
  TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_ONCE);
  SetTriggerTypeCode(99, &trigger);
  EXPECT_EQ(L"Unknown schedule", DescribeTrigger(trigger));
}

TEST(DescribeTrigger, SaysTheRunIsStoppedAndTheTaskDisabled) {
  TASK_TRIGGER trigger = HourlyTestTrigger();
  trigger.rgFlags = TASK_TRIGGER_FLAG_KILL_AT_DURATION_END;
  EXPECT_EQ(
      L"Every 1 hour(s) from 10:21 for a duration of 24 hour(s) every day, starting "
      L"12/7/2026, stopped when the duration ends",
      DescribeTrigger(trigger));
  const TASK_TRIGGER daily = TestTrigger(TASK_TIME_TRIGGER_DAILY);
  EXPECT_EQ(L"At 10:21 every day, starting 12/7/2026 (task disabled)",
            DescribeTrigger(daily, TASK_FLAG_DISABLED));
  EXPECT_EQ(L"At 10:21 every day, starting 12/7/2026", DescribeTrigger(daily, ~TASK_FLAG_DISABLED));
  trigger.rgFlags |= TASK_TRIGGER_FLAG_DISABLED | TASK_TRIGGER_FLAG_HAS_END_DATE;
  trigger.wEndYear = 2027;
  trigger.wEndMonth = 1;
  trigger.wEndDay = 31;
  EXPECT_EQ(
      L"Every 1 hour(s) from 10:21 for a duration of 24 hour(s) every day, starting "
      L"12/7/2026, ending 1/31/2027, stopped when the duration ends (disabled) "
      L"(task disabled)",
      DescribeTrigger(trigger, TASK_FLAG_DISABLED));
}

}  // namespace

#include "platform/taskscheduler/trigger_range.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/testing/trigger_testing.h"

namespace {

using namespace test_triggers;

// Applies `change` to a valid trigger of `type` and returns the verdict.
HRESULT ValidateChanged(TASK_TRIGGER_TYPE type, const std::function<void(TASK_TRIGGER&)>& change) {
  TASK_TRIGGER trigger = TestTrigger(type);
  change(trigger);
  return ValidateTrigger(trigger);
}

TEST(ValidateTrigger, AcceptsWhatTheClientSets) {
  for (TASK_TRIGGER_TYPE type : kAllTriggerTypes)
    EXPECT_EQ(S_OK, ValidateTrigger(TestTrigger(type))) << type;
  EXPECT_EQ(S_OK, ValidateTrigger(HourlyTestTrigger()));
}

TEST(ValidateTrigger, ChecksTheSizeTypeAndFlags) {
  const auto daily = TASK_TIME_TRIGGER_DAILY;
  EXPECT_EQ(E_INVALIDARG, ValidateChanged(daily, [](TASK_TRIGGER& t) { t.cbTriggerSize = 0; }));
  EXPECT_EQ(E_INVALIDARG, ValidateChanged(daily, [](TASK_TRIGGER& t) { t.cbTriggerSize = 47; }));
  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(daily, [](TASK_TRIGGER& t) { SetTriggerTypeCode(8, &t); }));
  EXPECT_EQ(E_INVALIDARG, ValidateChanged(daily, [](TASK_TRIGGER& t) { t.rgFlags = 0x8; }));
  EXPECT_EQ(S_OK, ValidateChanged(daily, [](TASK_TRIGGER& t) {
              t.rgFlags = TASK_TRIGGER_FLAG_DISABLED | TASK_TRIGGER_FLAG_KILL_AT_DURATION_END;
            }));
}

TEST(ValidateTrigger, ChecksTheBeginDateIncludingLeapYears) {
  struct Date {
    WORD year, month, day;
    HRESULT expected;
  };
  const Date dates[] = {
      {2024, 2, 29, S_OK},
      {2023, 2, 29, E_INVALIDARG},
      {2000, 2, 29, S_OK},
      {1900 + 200, 2, 29, E_INVALIDARG},  // 2100 is not a leap year
      {2026, 4, 30, S_OK},
      {2026, 4, 31, E_INVALIDARG},
      {2026, 12, 31, S_OK},
      {2026, 1, 0, E_INVALIDARG},
      {2026, 0, 1, E_INVALIDARG},
      {2026, 13, 1, E_INVALIDARG},
      {1601, 1, 1, S_OK},
      {1600, 12, 31, E_INVALIDARG},
      {30827, 12, 31, S_OK},
      {30828, 1, 1, E_INVALIDARG},
      {0, 0, 0, E_INVALIDARG},
      // Fields past what std::chrono's month and day can hold, which would
      // otherwise wrap round to a valid 1 January.
      {2026, 1, 257, E_INVALIDARG},
      {2026, 257, 1, E_INVALIDARG},
  };
  for (const Date& date : dates) {
    TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_ONCE);
    trigger.wBeginYear = date.year;
    trigger.wBeginMonth = date.month;
    trigger.wBeginDay = date.day;
    EXPECT_EQ(date.expected, ValidateTrigger(trigger))
        << date.year << "-" << date.month << "-" << date.day;
  }
}

TEST(ValidateTrigger, ChecksTheEndDateOnlyWhenThereIsOne) {
  TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_DAILY);
  trigger.wEndMonth = 13;
  EXPECT_EQ(S_OK, ValidateTrigger(trigger));
  trigger.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
  EXPECT_EQ(E_INVALIDARG, ValidateTrigger(trigger));
  trigger.wEndYear = 2027;
  trigger.wEndMonth = 2;
  trigger.wEndDay = 29;
  EXPECT_EQ(E_INVALIDARG, ValidateTrigger(trigger));
  trigger.wEndDay = 28;
  EXPECT_EQ(S_OK, ValidateTrigger(trigger));
}

TEST(ValidateTrigger, ChecksTheStartTimeAndRepetition) {
  const auto daily = TASK_TIME_TRIGGER_DAILY;
  EXPECT_EQ(S_OK, ValidateChanged(daily, [](TASK_TRIGGER& t) {
              t.wStartHour = 23;
              t.wStartMinute = 59;
            }));
  EXPECT_EQ(E_INVALIDARG, ValidateChanged(daily, [](TASK_TRIGGER& t) { t.wStartHour = 24; }));
  // What a client gets at 10:59 if it adds one minute without carrying.
  EXPECT_EQ(E_INVALIDARG, ValidateChanged(daily, [](TASK_TRIGGER& t) { t.wStartMinute = 60; }));
  EXPECT_EQ(S_OK, ValidateChanged(daily, [](TASK_TRIGGER& t) { t.MinutesDuration = 30; }));
  EXPECT_EQ(S_OK, ValidateChanged(daily, [](TASK_TRIGGER& t) {
              t.MinutesInterval = 60;
              t.MinutesDuration = 60;
            }));
  EXPECT_EQ(E_INVALIDARG, ValidateChanged(daily, [](TASK_TRIGGER& t) {
              t.MinutesInterval = 61;
              t.MinutesDuration = 60;
            }));
}

TEST(ValidateTrigger, ChecksTheFieldsOfEachKind) {
  const auto daily = TASK_TIME_TRIGGER_DAILY;
  const auto weekly = TASK_TIME_TRIGGER_WEEKLY;
  const auto date = TASK_TIME_TRIGGER_MONTHLYDATE;
  const auto dow = TASK_TIME_TRIGGER_MONTHLYDOW;
  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(daily, [](TASK_TRIGGER& t) { t.Type.Daily.DaysInterval = 0; }));

  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(weekly, [](TASK_TRIGGER& t) { t.Type.Weekly.WeeksInterval = 0; }));
  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(weekly, [](TASK_TRIGGER& t) { t.Type.Weekly.rgfDaysOfTheWeek = 0; }));
  EXPECT_EQ(E_INVALIDARG, ValidateChanged(weekly, [](TASK_TRIGGER& t) {
              t.Type.Weekly.rgfDaysOfTheWeek = 0x80;
            }));
  EXPECT_EQ(S_OK, ValidateChanged(weekly, [](TASK_TRIGGER& t) {
              t.Type.Weekly.rgfDaysOfTheWeek = TASK_SATURDAY;
            }));

  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(date, [](TASK_TRIGGER& t) { t.Type.MonthlyDate.rgfDays = 0; }));
  EXPECT_EQ(E_INVALIDARG, ValidateChanged(date, [](TASK_TRIGGER& t) {
              t.Type.MonthlyDate.rgfDays = 0x80000000;
            }));
  EXPECT_EQ(S_OK, ValidateChanged(
                      date, [](TASK_TRIGGER& t) { t.Type.MonthlyDate.rgfDays = 0x7FFFFFFF; }));
  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(date, [](TASK_TRIGGER& t) { t.Type.MonthlyDate.rgfMonths = 0; }));
  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(date, [](TASK_TRIGGER& t) { t.Type.MonthlyDate.rgfMonths = 0x1000; }));

  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(dow, [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.wWhichWeek = 0; }));
  EXPECT_EQ(S_OK, ValidateChanged(dow, [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.wWhichWeek = 5; }));
  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(dow, [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.wWhichWeek = 6; }));
  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(dow, [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.rgfDaysOfTheWeek = 0; }));
  EXPECT_EQ(E_INVALIDARG,
            ValidateChanged(dow, [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.rgfMonths = 0x1FFF; }));
}

// A trigger read from a damaged file gets no words rather than impossible
// ones ("starting 13/7/2026", "every  of every week").
TEST(CanDescribeTrigger, RefusesFieldsOutOfTheirRanges) {
  struct Damage {
    const char* what;
    TASK_TRIGGER_TYPE type;
    std::function<void(TASK_TRIGGER&)> change;
  };
  const Damage damages[] = {
      {"begin month 13", TASK_TIME_TRIGGER_DAILY, [](TASK_TRIGGER& t) { t.wBeginMonth = 13; }},
      {"begin day 0", TASK_TIME_TRIGGER_ONCE, [](TASK_TRIGGER& t) { t.wBeginDay = 0; }},
      {"30 February", TASK_TIME_TRIGGER_ONCE,
       [](TASK_TRIGGER& t) {
         t.wBeginMonth = 2;
         t.wBeginDay = 30;
       }},
      {"end month 13", TASK_TIME_TRIGGER_DAILY,
       [](TASK_TRIGGER& t) {
         t.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
         t.wEndMonth = 13;
       }},
      {"hour 25", TASK_TIME_TRIGGER_ONCE, [](TASK_TRIGGER& t) { t.wStartHour = 25; }},
      {"minute 61", TASK_TIME_TRIGGER_WEEKLY, [](TASK_TRIGGER& t) { t.wStartMinute = 61; }},
      {"interval past duration", TASK_TIME_TRIGGER_DAILY,
       [](TASK_TRIGGER& t) {
         t.MinutesInterval = 90;
         t.MinutesDuration = 60;
       }},
      {"day interval 0", TASK_TIME_TRIGGER_DAILY,
       [](TASK_TRIGGER& t) { t.Type.Daily.DaysInterval = 0; }},
      {"week interval 0", TASK_TIME_TRIGGER_WEEKLY,
       [](TASK_TRIGGER& t) { t.Type.Weekly.WeeksInterval = 0; }},
      {"no day of the week", TASK_TIME_TRIGGER_WEEKLY,
       [](TASK_TRIGGER& t) { t.Type.Weekly.rgfDaysOfTheWeek = 0; }},
      {"no day of the month", TASK_TIME_TRIGGER_MONTHLYDATE,
       [](TASK_TRIGGER& t) { t.Type.MonthlyDate.rgfDays = 0; }},
      {"no month", TASK_TIME_TRIGGER_MONTHLYDATE,
       [](TASK_TRIGGER& t) { t.Type.MonthlyDate.rgfMonths = 0; }},
      {"week 0", TASK_TIME_TRIGGER_MONTHLYDOW,
       [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.wWhichWeek = 0; }},
      {"week 6", TASK_TIME_TRIGGER_MONTHLYDOW,
       [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.wWhichWeek = 6; }},
      {"no weekday", TASK_TIME_TRIGGER_MONTHLYDOW,
       [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.rgfDaysOfTheWeek = 0; }},
      {"month bit 13", TASK_TIME_TRIGGER_MONTHLYDOW,
       [](TASK_TRIGGER& t) { t.Type.MonthlyDOW.rgfMonths = 0x1001; }},
  };
  for (const Damage& damage : damages) {
    TASK_TRIGGER trigger = TestTrigger(damage.type);
    ASSERT_TRUE(CanDescribeTrigger(trigger)) << damage.what;
    damage.change(trigger);
    EXPECT_FALSE(CanDescribeTrigger(trigger)) << damage.what;
  }
}

TEST(CanDescribeTrigger, DescribesWhatReadsNoFieldsAndIgnoresTheSizeAndFlags) {
  for (TASK_TRIGGER_TYPE type : kAllTriggerTypes)
    EXPECT_TRUE(CanDescribeTrigger(TestTrigger(type))) << type;
  TASK_TRIGGER event = TestTrigger(TASK_EVENT_TRIGGER_AT_LOGON);
  event.wBeginMonth = 13;
  event.wStartHour = 99;
  EXPECT_TRUE(CanDescribeTrigger(event));
  TASK_TRIGGER unknown = TestTrigger(TASK_TIME_TRIGGER_ONCE);
  SetTriggerTypeCode(99, &unknown);
  unknown.wBeginMonth = 0;
  EXPECT_TRUE(CanDescribeTrigger(unknown));
  TASK_TRIGGER odd = TestTrigger(TASK_TIME_TRIGGER_DAILY);
  odd.cbTriggerSize = 0;
  odd.rgFlags = 0x80;
  EXPECT_TRUE(CanDescribeTrigger(odd));
}

}  // namespace

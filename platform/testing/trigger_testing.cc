#include "platform/testing/trigger_testing.h"

#include <cstdio>
#include <cstring>

namespace test_triggers {

namespace {

constexpr char kClientBegin[] = "2026-12-07 10:21";

struct DateAndTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

DateAndTime Parse(const char* text) {
  DateAndTime parts;
  std::sscanf(text, "%u-%u-%u %u:%u", &parts.year, &parts.month, &parts.day, &parts.hour,
              &parts.minute);
  return parts;
}

}  // namespace

std::chrono::local_time<std::chrono::minutes> At(const char* date_and_time) {
  const DateAndTime parts = Parse(date_and_time);
  const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(parts.year)),
                                         std::chrono::month(parts.month),
                                         std::chrono::day(parts.day)};
  return std::chrono::local_days{date} + std::chrono::hours{parts.hour} +
         std::chrono::minutes{parts.minute};
}

TASK_TRIGGER Trigger(TASK_TRIGGER_TYPE type, const char* begin) {
  TASK_TRIGGER trigger;
  std::memset(&trigger, 0, sizeof(trigger));
  trigger.cbTriggerSize = sizeof(trigger);
  const DateAndTime parts = Parse(begin);
  trigger.wBeginYear = static_cast<WORD>(parts.year);
  trigger.wBeginMonth = static_cast<WORD>(parts.month);
  trigger.wBeginDay = static_cast<WORD>(parts.day);
  trigger.wStartHour = static_cast<WORD>(parts.hour);
  trigger.wStartMinute = static_cast<WORD>(parts.minute);
  trigger.TriggerType = type;
  return trigger;
}

TASK_TRIGGER Once(const char* begin) { return Trigger(TASK_TIME_TRIGGER_ONCE, begin); }

TASK_TRIGGER Daily(const char* begin, WORD days_interval) {
  TASK_TRIGGER trigger = Trigger(TASK_TIME_TRIGGER_DAILY, begin);
  trigger.Type.Daily.DaysInterval = days_interval;
  return trigger;
}

TASK_TRIGGER Weekly(const char* begin, WORD weeks_interval, WORD days_of_week) {
  TASK_TRIGGER trigger = Trigger(TASK_TIME_TRIGGER_WEEKLY, begin);
  trigger.Type.Weekly.WeeksInterval = weeks_interval;
  trigger.Type.Weekly.rgfDaysOfTheWeek = days_of_week;
  return trigger;
}

TASK_TRIGGER MonthlyDate(const char* begin, DWORD days, WORD months) {
  TASK_TRIGGER trigger = Trigger(TASK_TIME_TRIGGER_MONTHLYDATE, begin);
  trigger.Type.MonthlyDate.rgfDays = days;
  trigger.Type.MonthlyDate.rgfMonths = months;
  return trigger;
}

TASK_TRIGGER MonthlyDow(const char* begin, WORD which_week, WORD days_of_week, WORD months) {
  TASK_TRIGGER trigger = Trigger(TASK_TIME_TRIGGER_MONTHLYDOW, begin);
  trigger.Type.MonthlyDOW.wWhichWeek = which_week;
  trigger.Type.MonthlyDOW.rgfDaysOfTheWeek = days_of_week;
  trigger.Type.MonthlyDOW.rgfMonths = months;
  return trigger;
}

TASK_TRIGGER Repeating(TASK_TRIGGER trigger, DWORD interval, DWORD duration) {
  trigger.MinutesInterval = interval;
  trigger.MinutesDuration = duration;
  return trigger;
}

TASK_TRIGGER Ending(TASK_TRIGGER trigger, WORD year, WORD month, WORD day) {
  trigger.rgFlags |= TASK_TRIGGER_FLAG_HAS_END_DATE;
  trigger.wEndYear = year;
  trigger.wEndMonth = month;
  trigger.wEndDay = day;
  return trigger;
}

TASK_TRIGGER Disabled(TASK_TRIGGER trigger) {
  trigger.rgFlags |= TASK_TRIGGER_FLAG_DISABLED;
  return trigger;
}

TASK_TRIGGER TestTrigger(TASK_TRIGGER_TYPE type) {
  switch (type) {
    case TASK_TIME_TRIGGER_DAILY:
      return Daily(kClientBegin);
    case TASK_TIME_TRIGGER_WEEKLY:
      return Weekly(kClientBegin, 1, 0x7F);
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      return MonthlyDate(kClientBegin, 0xFFFF, 0xFFF);
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      return MonthlyDow(kClientBegin, 1, TASK_MONDAY, 0xFFF);
    default:
      return Trigger(type, kClientBegin);
  }
}

TASK_TRIGGER HourlyTestTrigger() {
  return Repeating(TestTrigger(TASK_TIME_TRIGGER_DAILY), 60, 1440);
}

TASK_TRIGGER LastWeekdaysTestTrigger() {
  return Ending(MonthlyDow(kClientBegin, 5, TASK_SUNDAY | TASK_SATURDAY, Month(1) | Month(12)),
                2030, 2, 28);
}

}  // namespace test_triggers

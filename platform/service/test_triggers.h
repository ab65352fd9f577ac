// Triggers and wall-clock minutes for the service's tests, written as the
// dates and times they stand for.
#ifndef JOBWARDEN_PLATFORM_SERVICE_TEST_TRIGGERS_H
#define JOBWARDEN_PLATFORM_SERVICE_TEST_TRIGGERS_H

#include <cstdio>
#include <cstring>

#include "due_rule.h"

namespace service_test {

// "2026-12-07 10:21"
inline WallMinute At(const char* text) {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0;
  std::sscanf(text, "%u-%u-%u %u:%u", &year, &month, &day, &hour, &minute);
  const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(year)),
                                         std::chrono::month(month), std::chrono::day(day)};
  return std::chrono::local_days{date} + std::chrono::hours{hour} + std::chrono::minutes{minute};
}

// A trigger of `type` that begins on the day and at the time of `begin`.
inline TASK_TRIGGER Trigger(TASK_TRIGGER_TYPE type, const char* begin) {
  TASK_TRIGGER trigger;
  std::memset(&trigger, 0, sizeof(trigger));
  trigger.cbTriggerSize = sizeof(trigger);
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0;
  std::sscanf(begin, "%u-%u-%u %u:%u", &year, &month, &day, &hour, &minute);
  trigger.wBeginYear = static_cast<WORD>(year);
  trigger.wBeginMonth = static_cast<WORD>(month);
  trigger.wBeginDay = static_cast<WORD>(day);
  trigger.wStartHour = static_cast<WORD>(hour);
  trigger.wStartMinute = static_cast<WORD>(minute);
  trigger.TriggerType = type;
  return trigger;
}

inline TASK_TRIGGER Once(const char* begin) { return Trigger(TASK_TIME_TRIGGER_ONCE, begin); }

inline TASK_TRIGGER Daily(const char* begin, WORD days_interval = 1) {
  TASK_TRIGGER trigger = Trigger(TASK_TIME_TRIGGER_DAILY, begin);
  trigger.Type.Daily.DaysInterval = days_interval;
  return trigger;
}

inline TASK_TRIGGER Weekly(const char* begin, WORD weeks_interval, WORD days_of_week) {
  TASK_TRIGGER trigger = Trigger(TASK_TIME_TRIGGER_WEEKLY, begin);
  trigger.Type.Weekly.WeeksInterval = weeks_interval;
  trigger.Type.Weekly.rgfDaysOfTheWeek = days_of_week;
  return trigger;
}

inline TASK_TRIGGER MonthlyDate(const char* begin, DWORD days, WORD months = 0x0FFF) {
  TASK_TRIGGER trigger = Trigger(TASK_TIME_TRIGGER_MONTHLYDATE, begin);
  trigger.Type.MonthlyDate.rgfDays = days;
  trigger.Type.MonthlyDate.rgfMonths = months;
  return trigger;
}

inline TASK_TRIGGER MonthlyDow(const char* begin, WORD which_week, WORD days_of_week,
                               WORD months = 0x0FFF) {
  TASK_TRIGGER trigger = Trigger(TASK_TIME_TRIGGER_MONTHLYDOW, begin);
  trigger.Type.MonthlyDOW.wWhichWeek = which_week;
  trigger.Type.MonthlyDOW.rgfDaysOfTheWeek = days_of_week;
  trigger.Type.MonthlyDOW.rgfMonths = months;
  return trigger;
}

inline TASK_TRIGGER Repeating(TASK_TRIGGER trigger, DWORD interval, DWORD duration) {
  trigger.MinutesInterval = interval;
  trigger.MinutesDuration = duration;
  return trigger;
}

inline TASK_TRIGGER Ending(TASK_TRIGGER trigger, WORD year, WORD month, WORD day) {
  trigger.rgFlags |= TASK_TRIGGER_FLAG_HAS_END_DATE;
  trigger.wEndYear = year;
  trigger.wEndMonth = month;
  trigger.wEndDay = day;
  return trigger;
}

inline TASK_TRIGGER Disabled(TASK_TRIGGER trigger) {
  trigger.rgFlags |= TASK_TRIGGER_FLAG_DISABLED;
  return trigger;
}

constexpr DWORD Day(int day_of_month) { return 1u << (day_of_month - 1); }
constexpr WORD Month(int month) { return static_cast<WORD>(1u << (month - 1)); }

}  // namespace service_test

#endif  // JOBWARDEN_PLATFORM_SERVICE_TEST_TRIGGERS_H

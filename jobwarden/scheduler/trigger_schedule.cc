#include "jobwarden/scheduler/trigger_schedule.h"

#include <cstring>

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year))
    return 29;
  if (month < 1 || month > 12)
    return 31;
  return kDays[month - 1];
}

// One minute after `now`, carried into the hour, the day, the month and the
// year, so that 23:59 on 31 December starts at 00:00 on 1 January. Seconds
// are not used.
struct StartTime {
  int year, month, day, hour, minute;
};

StartTime OneMinuteAfter(const SYSTEMTIME& now) {
  StartTime start{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute + 1};
  if (start.minute < 60)
    return start;
  start.minute = 0;
  if (++start.hour < 24)
    return start;
  start.hour = 0;
  if (++start.day <= DaysInMonth(start.year, start.month))
    return start;
  start.day = 1;
  if (++start.month <= 12)
    return start;
  start.month = 1;
  ++start.year;
  return start;
}

void SetPattern(TaskFrequency frequency, TASK_TRIGGER* trigger) {
  switch (frequency) {
    case TaskFrequency::Hourly:
      trigger->MinutesDuration = 1440;
      trigger->MinutesInterval = 60;
      trigger->TriggerType = TASK_TIME_TRIGGER_DAILY;
      trigger->Type.Daily.DaysInterval = 1;
      break;
    case TaskFrequency::Daily:
      trigger->TriggerType = TASK_TIME_TRIGGER_DAILY;
      trigger->Type.Daily.DaysInterval = 1;
      break;
    case TaskFrequency::Weekly:
      trigger->TriggerType = TASK_TIME_TRIGGER_WEEKLY;
      trigger->Type.Weekly.WeeksInterval = 1;
      trigger->Type.Weekly.rgfDaysOfTheWeek = 0x7F;  // Sunday to Saturday
      break;
    case TaskFrequency::Monthly:
      trigger->TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
      trigger->Type.MonthlyDate.rgfDays = 0x0000FFFF;  // days 1 to 16
      trigger->Type.MonthlyDate.rgfMonths = 0x0FFF;    // all twelve months
      break;
  }
}

}  // namespace

TASK_TRIGGER BuildTrigger(const SYSTEMTIME& now, TaskFrequency frequency) {
  TASK_TRIGGER trigger;
  std::memset(&trigger, 0, sizeof(trigger));
  trigger.cbTriggerSize = sizeof(TASK_TRIGGER);

  const StartTime start = OneMinuteAfter(now);
  trigger.wBeginYear = static_cast<WORD>(start.year);
  trigger.wBeginMonth = static_cast<WORD>(start.month);
  trigger.wBeginDay = static_cast<WORD>(start.day);
  trigger.wStartHour = static_cast<WORD>(start.hour);
  trigger.wStartMinute = static_cast<WORD>(start.minute);
  SetPattern(frequency, &trigger);
  return trigger;
}

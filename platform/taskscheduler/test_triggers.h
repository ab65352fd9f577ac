// Triggers for the tests and the fuzz seeds: valid ones of every kind, as
// the client fills them at 10:20 on 12/7/2026 (begin date today, start one
// minute later), so a test changes only the fields it is about.
#ifndef JOBWARDEN_PLATFORM_TEST_TRIGGERS_H
#define JOBWARDEN_PLATFORM_TEST_TRIGGERS_H

#include <mstask.h>

inline constexpr TASK_TRIGGER_TYPE kAllTriggerTypes[] = {
    TASK_TIME_TRIGGER_ONCE,        TASK_TIME_TRIGGER_DAILY,           TASK_TIME_TRIGGER_WEEKLY,
    TASK_TIME_TRIGGER_MONTHLYDATE, TASK_TIME_TRIGGER_MONTHLYDOW,      TASK_EVENT_TRIGGER_ON_IDLE,
    TASK_EVENT_TRIGGER_AT_SYSTEMSTART, TASK_EVENT_TRIGGER_AT_LOGON,
};

// A trigger of `type` on its plainest schedule: every day, every day of
// every week, every day of every month, the first Monday of every month.
inline TASK_TRIGGER TestTrigger(TASK_TRIGGER_TYPE type) {
  TASK_TRIGGER trigger = {};
  trigger.cbTriggerSize = sizeof(TASK_TRIGGER);
  trigger.wBeginYear = 2026;
  trigger.wBeginMonth = 12;
  trigger.wBeginDay = 7;
  trigger.wStartHour = 10;
  trigger.wStartMinute = 21;
  trigger.TriggerType = type;
  switch (type) {
    case TASK_TIME_TRIGGER_DAILY:
      trigger.Type.Daily.DaysInterval = 1;
      break;
    case TASK_TIME_TRIGGER_WEEKLY:
      trigger.Type.Weekly.WeeksInterval = 1;
      trigger.Type.Weekly.rgfDaysOfTheWeek = 0x7F;
      break;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      trigger.Type.MonthlyDate.rgfDays = 0xFFFF;
      trigger.Type.MonthlyDate.rgfMonths = 0xFFF;
      break;
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      trigger.Type.MonthlyDOW.wWhichWeek = 1;
      trigger.Type.MonthlyDOW.rgfDaysOfTheWeek = TASK_MONDAY;
      trigger.Type.MonthlyDOW.rgfMonths = 0xFFF;
      break;
    default:
      break;
  }
  return trigger;
}

// Every day, repeated every hour for the whole day (what /sc hourly makes).
inline TASK_TRIGGER HourlyTestTrigger() {
  TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_DAILY);
  trigger.MinutesInterval = 60;
  trigger.MinutesDuration = 1440;
  return trigger;
}

// The last Sunday and Saturday of January and December, ending 2/28/2030:
// the week past the fourth, several days and months, and an end date.
inline TASK_TRIGGER LastWeekdaysTestTrigger() {
  TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_MONTHLYDOW);
  trigger.Type.MonthlyDOW.wWhichWeek = 5;
  trigger.Type.MonthlyDOW.rgfDaysOfTheWeek = TASK_SUNDAY | TASK_SATURDAY;
  trigger.Type.MonthlyDOW.rgfMonths = 0x801;  // January and December
  trigger.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
  trigger.wEndYear = 2030;
  trigger.wEndMonth = 2;
  trigger.wEndDay = 28;
  return trigger;
}

#endif  // JOBWARDEN_PLATFORM_TEST_TRIGGERS_H

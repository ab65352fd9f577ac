#include "jobwarden/scheduler/trigger_schedule.h"

#include <chrono>
#include <cstring>

namespace {

// One minute after `now`, carried into the hour, the day, the month and the
// year by the calendar, so that 23:59 on 31 December starts at 00:00 on
// 1 January and 28 February carries by the leap-year rule. Seconds are not
// used.
struct StartTime {
  std::chrono::year_month_day date;
  std::chrono::hh_mm_ss<std::chrono::minutes> time;
};

StartTime OneMinuteAfter(const SYSTEMTIME& now) {
  using namespace std::chrono;
  const sys_days today{year{now.wYear} / month{now.wMonth} / day{now.wDay}};
  const sys_time<minutes> start = today + hours{now.wHour} + minutes{now.wMinute} + minutes{1};
  const sys_days start_day = floor<days>(start);
  return {year_month_day{start_day}, hh_mm_ss<minutes>{start - start_day}};
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
  trigger.wBeginYear = static_cast<WORD>(static_cast<int>(start.date.year()));
  trigger.wBeginMonth = static_cast<WORD>(static_cast<unsigned>(start.date.month()));
  trigger.wBeginDay = static_cast<WORD>(static_cast<unsigned>(start.date.day()));
  trigger.wStartHour = static_cast<WORD>(start.time.hours().count());
  trigger.wStartMinute = static_cast<WORD>(start.time.minutes().count());
  SetPattern(frequency, &trigger);
  return trigger;
}

#include "platform/taskscheduler/trigger_range.h"

#include <chrono>
#include <cstring>

static_assert(sizeof(TASK_TRIGGER_TYPE) == sizeof(DWORD), "the trigger type is a DWORD on disk");

DWORD TriggerTypeCode(const TASK_TRIGGER& trigger) {
  DWORD code;
  std::memcpy(&code, &trigger.TriggerType, sizeof(code));
  return code;
}

void SetTriggerTypeCode(DWORD code, TASK_TRIGGER* trigger) {
  std::memcpy(&trigger->TriggerType, &code, sizeof(code));
}

namespace {

constexpr WORD kAllDaysOfWeek = 0x7F;
constexpr DWORD kAllDaysOfMonth = 0x7FFFFFFF;
constexpr DWORD kKnownFlags = TASK_TRIGGER_FLAG_HAS_END_DATE |
                              TASK_TRIGGER_FLAG_KILL_AT_DURATION_END | TASK_TRIGGER_FLAG_DISABLED;

bool IsValidDaySet(WORD days) { return days != 0 && (days & ~kAllDaysOfWeek) == 0; }
bool IsValidMonthSet(WORD months) { return months != 0 && (months & ~kAllMonths) == 0; }

bool HasValidTypeFields(const TASK_TRIGGER& trigger) {
  const TRIGGER_TYPE_UNION& type = trigger.Type;
  switch (TriggerTypeCode(trigger)) {
    case TASK_TIME_TRIGGER_ONCE:
    case TASK_EVENT_TRIGGER_ON_IDLE:
    case TASK_EVENT_TRIGGER_AT_SYSTEMSTART:
    case TASK_EVENT_TRIGGER_AT_LOGON:
      return true;
    case TASK_TIME_TRIGGER_DAILY:
      return type.Daily.DaysInterval >= 1;
    case TASK_TIME_TRIGGER_WEEKLY:
      return type.Weekly.WeeksInterval >= 1 && IsValidDaySet(type.Weekly.rgfDaysOfTheWeek);
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      return type.MonthlyDate.rgfDays != 0 && (type.MonthlyDate.rgfDays & ~kAllDaysOfMonth) == 0 &&
             IsValidMonthSet(type.MonthlyDate.rgfMonths);
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      return type.MonthlyDOW.wWhichWeek >= 1 && type.MonthlyDOW.wWhichWeek <= 5 &&
             IsValidDaySet(type.MonthlyDOW.rgfDaysOfTheWeek) &&
             IsValidMonthSet(type.MonthlyDOW.rgfMonths);
  }
  return false;
}

bool HasValidTimes(const TASK_TRIGGER& trigger) {
  if (!IsCalendarDate(trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay))
    return false;
  if ((trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE) &&
      !IsCalendarDate(trigger.wEndYear, trigger.wEndMonth, trigger.wEndDay))
    return false;
  if (trigger.wStartHour > 23 || trigger.wStartMinute > 59)
    return false;
  return trigger.MinutesInterval == 0 || trigger.MinutesInterval <= trigger.MinutesDuration;
}

}  // namespace

bool IsCalendarDate(WORD year, WORD month, WORD day) {
  // std::chrono::month and day hold no more than 255, so larger fields are
  // refused before they are converted.
  if (year < 1601 || year > 30827 || month > 12 || day > 31)
    return false;
  return std::chrono::year_month_day{std::chrono::year{year}, std::chrono::month{month},
                                     std::chrono::day{day}}
      .ok();
}

HRESULT ValidateTrigger(const TASK_TRIGGER& trigger) {
  if (trigger.cbTriggerSize != sizeof(TASK_TRIGGER) || (trigger.rgFlags & ~kKnownFlags) != 0)
    return E_INVALIDARG;
  if (!HasValidTimes(trigger) || !HasValidTypeFields(trigger))
    return E_INVALIDARG;
  return S_OK;
}

bool CanDescribeTrigger(const TASK_TRIGGER& trigger) {
  switch (TriggerTypeCode(trigger)) {
    case TASK_TIME_TRIGGER_ONCE:
    case TASK_TIME_TRIGGER_DAILY:
    case TASK_TIME_TRIGGER_WEEKLY:
    case TASK_TIME_TRIGGER_MONTHLYDATE:
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      return HasValidTimes(trigger) && HasValidTypeFields(trigger);
    default:
      // Event triggers and kinds we do not know are described without
      // reading their fields.
      return true;
  }
}

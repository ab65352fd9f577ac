#include "service/due_rule.h"

#include "service/trigger_days.h"

using std::chrono::days;
using std::chrono::floor;
using std::chrono::hours;
using std::chrono::local_days;
using std::chrono::minutes;

namespace {

bool CanRun(const JobFile& job, const TASK_TRIGGER& trigger) {
  return !(job.flags & TASK_FLAG_DISABLED) && !(trigger.rgFlags & TASK_TRIGGER_FLAG_DISABLED) &&
         HasRunTimes(trigger) && trigger.wStartHour < 24 && trigger.wStartMinute < 60;
}

bool Repeats(const TASK_TRIGGER& trigger) {
  return trigger.MinutesInterval > 0 && trigger.MinutesDuration > 0;
}

minutes StartTimeOfDay(const TASK_TRIGGER& trigger) {
  return hours{trigger.wStartHour} + minutes{trigger.wStartMinute};
}

// Whether `minute` lies within the trigger's end day or before; a trigger
// whose end date is set but invalid never runs.
bool BeforeEnd(const TASK_TRIGGER& trigger, WallMinute minute) {
  if (!(trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE))
    return true;
  const std::optional<local_days> end =
      CalendarDay(trigger.wEndYear, trigger.wEndMonth, trigger.wEndDay);
  return end && minute < *end + days{1};
}

// The trigger's last start at or before `minute`.
std::optional<WallMinute> LatestStart(const TASK_TRIGGER& trigger, WallMinute minute) {
  std::optional<local_days> day = LatestStartDay(trigger, floor<days>(minute));
  if (day && *day + StartTimeOfDay(trigger) > minute)
    day = LatestStartDay(trigger, *day - days{1});
  if (!day)
    return std::nullopt;
  return *day + StartTimeOfDay(trigger);
}

// The trigger's first start at or after `minute`.
std::optional<WallMinute> EarliestStart(const TASK_TRIGGER& trigger, WallMinute minute) {
  std::optional<local_days> day = EarliestStartDay(trigger, floor<days>(minute));
  if (day && *day + StartTimeOfDay(trigger) < minute)
    day = EarliestStartDay(trigger, *day + days{1});
  if (!day)
    return std::nullopt;
  return *day + StartTimeOfDay(trigger);
}

}  // namespace

bool HasRunTimes(const TASK_TRIGGER& trigger) {
  switch (trigger.TriggerType) {
    case TASK_TIME_TRIGGER_ONCE:
    case TASK_TIME_TRIGGER_DAILY:
    case TASK_TIME_TRIGGER_WEEKLY:
    case TASK_TIME_TRIGGER_MONTHLYDATE:
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      return true;
    default:
      return false;
  }
}

bool IsDueInMinute(const JobFile& job, const TASK_TRIGGER& trigger, WallMinute minute) {
  if (!CanRun(job, trigger) || !BeforeEnd(trigger, minute))
    return false;
  const std::optional<WallMinute> start = LatestStart(trigger, minute);
  if (!start)
    return false;
  const long long since_start = (minute - *start).count();
  if (since_start == 0)
    return true;
  return Repeats(trigger) && since_start < trigger.MinutesDuration &&
         since_start % trigger.MinutesInterval == 0;
}

std::optional<WallMinute> NextDueMinute(const JobFile& job, const TASK_TRIGGER& trigger,
                                        WallMinute from) {
  if (!CanRun(job, trigger))
    return std::nullopt;
  std::optional<WallMinute> next = EarliestStart(trigger, from);
  if (Repeats(trigger)) {
    if (const std::optional<WallMinute> start = LatestStart(trigger, from)) {
      const long long interval = trigger.MinutesInterval;
      const long long steps = ((from - *start).count() + interval - 1) / interval;
      const WallMinute repetition = *start + minutes{steps * interval};
      if ((repetition - *start).count() < trigger.MinutesDuration && (!next || repetition < *next))
        next = repetition;
    }
  }
  if (!next || !BeforeEnd(trigger, *next))
    return std::nullopt;
  return next;
}

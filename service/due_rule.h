// When a task's time trigger falls due, in wall-clock minutes (the local
// calendar and clock, as the trigger's fields are written): a start at the
// start time on each of the trigger's days (trigger_days.h), not before the
// begin day and never after the end of the end day when the trigger has
// one; with a repetition (MinutesInterval and MinutesDuration both set), a
// start every MinutesInterval minutes after each start while fewer than
// MinutesDuration minutes have passed, the next day's start cutting the
// window short. A disabled task, a disabled trigger, an event trigger and a
// start time that is no time of day are never due.
//
// Wall time has no daylight-saving changes; local_clock.h maps it onto
// the real clock.
#ifndef SERVICE_DUE_RULE_H_
#define SERVICE_DUE_RULE_H_

#include <mstask.h>

#include <chrono>
#include <optional>

#include "platform/taskscheduler/job_file.h"

using WallMinute = std::chrono::local_time<std::chrono::minutes>;

// Once, daily, weekly, monthly by date or by weekday: the triggers that have
// a time. Idle, system start and log on have none.
bool HasRunTimes(const TASK_TRIGGER& trigger);

bool IsDueInMinute(const JobFile& job, const TASK_TRIGGER& trigger, WallMinute minute);

// The first minute at or after `from` in which the trigger is due.
std::optional<WallMinute> NextDueMinute(const JobFile& job, const TASK_TRIGGER& trigger,
                                        WallMinute from);

#endif  // SERVICE_DUE_RULE_H_

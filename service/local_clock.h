// The due rule on the real clock, in the local time zone (TZ, or the
// machine's): which real minutes a trigger runs in, and a task's next run.
//
// Daylight-saving changes:
// - A wall time that the clock skips (spring forward) runs in the first
//   minute after the gap: 02:30 on the spring day in Europe/Berlin runs at
//   03:00, once, however many of its repetitions fell into the gap.
// - A wall time that the clock shows twice (fall back) runs once, at its
//   first occurrence; the repeated hour runs nothing again.
#ifndef SERVICE_LOCAL_CLOCK_H_
#define SERVICE_LOCAL_CLOCK_H_

#include <time.h>

#include <optional>

#include "service/due_rule.h"

// The present time from the precise clock. time() reads a coarse clock
// that can still show the minute before for a few milliseconds after it
// began, when cron starts run-due; run-due would then miss its minute.
time_t Now();

// The local calendar time of `when`: the one place the service reads the
// time zone.
tm LocalParts(time_t when);

// The wall-clock minute that the real time `when` falls in.
WallMinute WallMinuteAt(time_t when);

// The start of the real minute that `when` falls in.
time_t StartOfMinute(time_t when);

// The first real minute whose wall time is `minute`, or, for a wall time
// the clock skips, the first minute after the gap.
time_t FirstRealMinute(WallMinute minute);

// Whether the trigger runs in the real minute that starts at `minute`.
bool IsDueAt(const JobFile& job, const TASK_TRIGGER& trigger, time_t minute);

// Whether any trigger of the job runs in that minute.
bool IsJobDueAt(const JobFile& job, time_t minute);

// The first real minute at or after the minute of `from` in which the job
// runs.
std::optional<time_t> NextRunTime(const JobFile& job, time_t from);

#endif  // SERVICE_LOCAL_CLOCK_H_

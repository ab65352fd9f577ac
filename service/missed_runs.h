// The runs that fell due in minutes when no run-due ran (cron stopped,
// the machine off), between the run-due noted last (run_due_stamp.h) and
// this one: told in the run log, one line per task, and not caught up, as
// Task Scheduler 1.0 does not catch up a run it missed. The count stops at
// kMissedRunsCounted, so that a long gap (a machine off for a year, a
// task every minute) costs each task a bounded number of steps.
#ifndef SERVICE_MISSED_RUNS_H_
#define SERVICE_MISSED_RUNS_H_

#include <time.h>

#include <string>
#include <vector>

#include "platform/taskscheduler/job_file.h"
#include "service/task_store.h"

constexpr size_t kMissedRunsCounted = 100;

struct MissedRuns {
  size_t count = 0;
  bool more = false;  // more than `count` fell due
  time_t first = 0;
  time_t last = 0;  // the last one counted
};

// The runs of `job` in the real minutes after the minute of `noted` and
// before the minute `minute`.
MissedRuns CountMissedRuns(const JobFile& job, time_t noted, time_t minute);

// The event of each trusted task of `store` that missed runs between the
// run-due noted at `noted` and the one of `minute`; none when no minute
// lies between them.
std::vector<std::string> MissedRunEvents(TaskStore& store, time_t noted, time_t minute);

#endif  // SERVICE_MISSED_RUNS_H_

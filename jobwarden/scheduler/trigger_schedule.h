// The trigger a new task gets: its pattern by frequency, starting one
// minute after the given local time.
#ifndef JOBWARDEN_SCHEDULER_TRIGGER_SCHEDULE_H_
#define JOBWARDEN_SCHEDULER_TRIGGER_SCHEDULE_H_

#include "jobwarden/scheduler/com_api.h"
#include "jobwarden/scheduler/task_frequency.h"

TASK_TRIGGER BuildTrigger(const SYSTEMTIME& now, TaskFrequency frequency);

#endif  // JOBWARDEN_SCHEDULER_TRIGGER_SCHEDULE_H_

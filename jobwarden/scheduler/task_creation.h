// The create operation of the scheduler client, and the trigger it gives a
// new task.
#ifndef JOBWARDEN_SCHEDULER_TASK_CREATION_H_
#define JOBWARDEN_SCHEDULER_TASK_CREATION_H_

#include "jobwarden/scheduler/com_api.h"
#include "jobwarden/scheduler/task_frequency.h"

// Registers a task that runs `program` with `parameters` under `user`
// ("system" in any case, or "", for the system account), starting one minute
// from now. The password is overwritten with zeros once the account is set.
// COM must be initialised on the thread (a SchedulerClient does it); throws
// JobwardenException on failure.
void RegisterTask(const wchar_t* task_name, const wchar_t* program, const wchar_t* parameters,
                  const wchar_t* user, wchar_t* password, TaskFrequency frequency);

// The trigger a new task gets: its pattern by frequency, starting one
// minute after the given local time.
TASK_TRIGGER BuildTrigger(const SYSTEMTIME& now, TaskFrequency frequency);

#endif  // JOBWARDEN_SCHEDULER_TASK_CREATION_H_

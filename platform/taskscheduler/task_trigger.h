// ITaskTrigger: one trigger of a task, by its index. It holds the task's
// state, not the task, so it stays usable after the caller released the
// task (as Jobwarden does before it releases the trigger).
#ifndef JOBWARDEN_PLATFORM_TASK_TRIGGER_H
#define JOBWARDEN_PLATFORM_TASK_TRIGGER_H

#include <mstask.h>

#include <memory>

#include "task_state.h"

// A trigger object for trigger `index` of `state`, with one reference.
HRESULT NewTaskTrigger(std::shared_ptr<TaskState> state, WORD index, ITaskTrigger** trigger);

#endif  // JOBWARDEN_PLATFORM_TASK_TRIGGER_H

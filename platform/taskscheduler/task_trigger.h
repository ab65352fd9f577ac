// ITaskTrigger: one trigger of a task, by its index. It holds the task's
// state, not the task, so it stays usable after the caller released the
// task (as Jobwarden does before it releases the trigger).
#ifndef PLATFORM_TASKSCHEDULER_TASK_TRIGGER_H_
#define PLATFORM_TASKSCHEDULER_TASK_TRIGGER_H_

#include <mstask.h>

#include <memory>

#include "platform/taskscheduler/task_state.h"

// A trigger object for trigger `index` of `state`, with one reference.
HRESULT NewTaskTrigger(std::shared_ptr<TaskState> state, WORD index, ITaskTrigger** trigger);

#endif  // PLATFORM_TASKSCHEDULER_TASK_TRIGGER_H_

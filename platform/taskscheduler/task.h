// The task object: ITask for its settings and triggers, and IPersistFile to
// store it. IPersistFile is a separate small object sharing the task's
// reference count, so a Release is told apart by the interface it came
// through.
#ifndef PLATFORM_TASKSCHEDULER_TASK_H_
#define PLATFORM_TASKSCHEDULER_TASK_H_

#include <mstask.h>

#include <memory>

#include "platform/taskscheduler/task_state.h"

// Whether `riid` names an interface of the task object.
bool IsTaskInterface(REFIID riid);

// A new task object over `state`, returned as `riid` with one reference.
HRESULT CreateTaskObject(std::shared_ptr<TaskState> state, REFIID riid, void** object);

// ITaskTrigger: one trigger of a task, by its index. It holds the task's
// state, not the task, so it stays usable after the caller released the
// task (as Jobwarden does before it releases the trigger). A trigger object
// for trigger `index` of `state`, with one reference.
HRESULT NewTaskTrigger(std::shared_ptr<TaskState> state, WORD index, ITaskTrigger** trigger);

// Stores the task: a new task's first save refuses to replace an existing
// file, every later one replaces its own file only, and fails when that
// is gone (deleted meanwhile) or another.
HRESULT SaveTask(TaskState* state);

#endif  // PLATFORM_TASKSCHEDULER_TASK_H_

// ITaskScheduler: the entry to the task folder. It finds tasks by name,
// without regard to case, and hands out task objects and enumerators.
#ifndef PLATFORM_TASKSCHEDULER_TASK_SCHEDULER_H_
#define PLATFORM_TASKSCHEDULER_TASK_SCHEDULER_H_

#include <mstask.h>

// A new scheduler over the task folder the environment names, returned as
// `riid` with one reference (what CoCreateInstance hands out).
HRESULT CreateSchedulerObject(REFIID riid, void** object);

#endif  // PLATFORM_TASKSCHEDULER_TASK_SCHEDULER_H_

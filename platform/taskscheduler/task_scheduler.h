// ITaskScheduler: the entry to the task folder. It finds tasks by name,
// without regard to case, and hands out task objects and enumerators.
#ifndef JOBWARDEN_PLATFORM_TASK_SCHEDULER_H
#define JOBWARDEN_PLATFORM_TASK_SCHEDULER_H

#include <mstask.h>

// A new scheduler over the task folder the environment names, returned as
// `riid` with one reference (what CoCreateInstance hands out).
HRESULT CreateSchedulerObject(REFIID riid, void** object);

#endif  // JOBWARDEN_PLATFORM_TASK_SCHEDULER_H

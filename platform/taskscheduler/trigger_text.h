// The plain-English description of a trigger that GetTriggerString hands
// out: the words of each trigger type, its times, dates and flags.
#ifndef PLATFORM_TASKSCHEDULER_TRIGGER_TEXT_H_
#define PLATFORM_TASKSCHEDULER_TRIGGER_TEXT_H_

#include <mstask.h>

#include <string>

// e.g. "At 10:21 every day, starting 12/7/2026". `task_flags` are the flags
// of the task the trigger belongs to (a disabled task is said to be so).
// Only for a trigger CanDescribeTrigger (trigger_range.h) accepts.
std::wstring DescribeTrigger(const TASK_TRIGGER& trigger, DWORD task_flags = 0);

#endif  // PLATFORM_TASKSCHEDULER_TRIGGER_TEXT_H_

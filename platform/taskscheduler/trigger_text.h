// What the Task Scheduler says about a trigger: range checks for SetTrigger
// and the plain-English description GetTriggerString hands out.
#ifndef JOBWARDEN_PLATFORM_TRIGGER_TEXT_H
#define JOBWARDEN_PLATFORM_TRIGGER_TEXT_H

#include <mstask.h>

#include <string>

// The trigger type as a number. A trigger read from a file may hold a value
// outside TASK_TRIGGER_TYPE, which C++ does not let us read or write through
// the enumeration itself; these go through the bytes instead.
DWORD TriggerTypeCode(const TASK_TRIGGER& trigger);
void SetTriggerTypeCode(DWORD code, TASK_TRIGGER* trigger);

// S_OK, or E_INVALIDARG for a field outside its documented range.
HRESULT ValidateTrigger(const TASK_TRIGGER& trigger);

// Whether every field the description reads is within its documented range.
// A trigger read from a damaged file may hold a month of 13 or an empty set
// of days; it gets no description rather than one that cannot be true.
bool CanDescribeTrigger(const TASK_TRIGGER& trigger);

// e.g. "At 10:21 every day, starting 12/7/2026". `task_flags` are the flags
// of the task the trigger belongs to (a disabled task is said to be so).
// Only for a trigger CanDescribeTrigger accepts.
std::wstring DescribeTrigger(const TASK_TRIGGER& trigger, DWORD task_flags = 0);

#endif  // JOBWARDEN_PLATFORM_TRIGGER_TEXT_H

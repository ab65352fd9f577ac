// What the Task Scheduler says about a trigger: range checks for SetTrigger
// and the plain-English description GetTriggerString hands out.
#ifndef JOBWARDEN_PLATFORM_TRIGGER_TEXT_H
#define JOBWARDEN_PLATFORM_TRIGGER_TEXT_H

#include <mstask.h>

#include <string>

// S_OK, or E_INVALIDARG for a field outside its documented range.
HRESULT ValidateTrigger(const TASK_TRIGGER& trigger);

// e.g. "At 10:21 every day, starting 12/7/2026".
std::wstring DescribeTrigger(const TASK_TRIGGER& trigger);

#endif  // JOBWARDEN_PLATFORM_TRIGGER_TEXT_H

// The trigger type as a number. A trigger read from a file may hold a value
// outside TASK_TRIGGER_TYPE, which C++ does not let us read or write through
// the enumeration itself; these go through the bytes instead.
#ifndef JOBWARDEN_PLATFORM_TRIGGER_TYPE_CODE_H
#define JOBWARDEN_PLATFORM_TRIGGER_TYPE_CODE_H

#include <mstask.h>

DWORD TriggerTypeCode(const TASK_TRIGGER& trigger);
void SetTriggerTypeCode(DWORD code, TASK_TRIGGER* trigger);

#endif  // JOBWARDEN_PLATFORM_TRIGGER_TYPE_CODE_H

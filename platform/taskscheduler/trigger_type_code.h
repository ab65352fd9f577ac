// The trigger type as a number. A trigger read from a file may hold a value
// outside TASK_TRIGGER_TYPE, which C++ does not let us read or write through
// the enumeration itself; these go through the bytes instead.
#ifndef PLATFORM_TASKSCHEDULER_TRIGGER_TYPE_CODE_H_
#define PLATFORM_TASKSCHEDULER_TRIGGER_TYPE_CODE_H_

#include <mstask.h>

DWORD TriggerTypeCode(const TASK_TRIGGER& trigger);
void SetTriggerTypeCode(DWORD code, TASK_TRIGGER* trigger);

#endif  // PLATFORM_TASKSCHEDULER_TRIGGER_TYPE_CODE_H_

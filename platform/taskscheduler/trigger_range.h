// The documented ranges of a TASK_TRIGGER's fields: what SetTrigger accepts
// and what a description may be given for; and the trigger type as the
// number it is on disk, which may lie outside every range.
#ifndef PLATFORM_TASKSCHEDULER_TRIGGER_RANGE_H_
#define PLATFORM_TASKSCHEDULER_TRIGGER_RANGE_H_

#include <mstask.h>

// The bits of rgfMonths that name a month, January to December.
constexpr WORD kAllMonths = 0xFFF;

// Whether the fields name a day of the calendar in the years SYSTEMTIME
// can hold (1601 to 30827).
bool IsCalendarDate(WORD year, WORD month, WORD day);

// S_OK, or E_INVALIDARG for a field outside its documented range.
HRESULT ValidateTrigger(const TASK_TRIGGER& trigger);

// Whether every field the description reads is within its documented range.
// A trigger read from a damaged file may hold a month of 13 or an empty set
// of days; it gets no description rather than one that cannot be true.
bool CanDescribeTrigger(const TASK_TRIGGER& trigger);

// The trigger type as a number. A trigger read from a file may hold a value
// outside TASK_TRIGGER_TYPE, which C++ does not let us read or write through
// the enumeration itself; these go through the bytes instead.
DWORD TriggerTypeCode(const TASK_TRIGGER& trigger);
void SetTriggerTypeCode(DWORD code, TASK_TRIGGER* trigger);

#endif  // PLATFORM_TASKSCHEDULER_TRIGGER_RANGE_H_

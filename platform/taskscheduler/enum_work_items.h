// IEnumWorkItems over the tasks stored when ITaskScheduler::Enum was called.
// Working from that snapshot keeps the order stable while the caller
// activates, saves or deletes tasks between calls.
#ifndef PLATFORM_TASKSCHEDULER_ENUM_WORK_ITEMS_H_
#define PLATFORM_TASKSCHEDULER_ENUM_WORK_ITEMS_H_

#include <mstask.h>

#include <string>
#include <vector>

// An enumerator handing out `names` in order, with one reference.
HRESULT NewEnumWorkItems(std::vector<std::wstring> names, IEnumWorkItems** enumerator);

#endif  // PLATFORM_TASKSCHEDULER_ENUM_WORK_ITEMS_H_

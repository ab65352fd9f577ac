// IEnumWorkItems over the tasks stored when ITaskScheduler::Enum was called.
// Working from that snapshot keeps the order stable while the caller
// activates, saves or deletes tasks between calls.
#ifndef JOBWARDEN_PLATFORM_ENUM_WORK_ITEMS_H
#define JOBWARDEN_PLATFORM_ENUM_WORK_ITEMS_H

#include <mstask.h>

#include <string>
#include <vector>

// An enumerator handing out `names` in order, with one reference.
HRESULT NewEnumWorkItems(std::vector<std::wstring> names, IEnumWorkItems** enumerator);

#endif  // JOBWARDEN_PLATFORM_ENUM_WORK_ITEMS_H

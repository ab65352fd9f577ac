// Memory the component hands to its callers comes from CoTaskMemAlloc, so
// that they free it with CoTaskMemFree as on Windows.
#ifndef PLATFORM_TASKSCHEDULER_TASK_MEMORY_H_
#define PLATFORM_TASKSCHEDULER_TASK_MEMORY_H_

#include <objbase.h>

#include <string>

// A NUL-terminated copy of `text` in such memory, or NULL when memory runs
// out.
LPWSTR CopyToTaskMemory(const std::wstring& text);

#endif  // PLATFORM_TASKSCHEDULER_TASK_MEMORY_H_

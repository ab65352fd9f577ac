// Memory the component hands to its callers comes from CoTaskMemAlloc, so
// that they free it with CoTaskMemFree as on Windows.
#ifndef JOBWARDEN_PLATFORM_TASK_MEMORY_H
#define JOBWARDEN_PLATFORM_TASK_MEMORY_H

#include <windows.h>

#include <string>

// A NUL-terminated copy of `text` in CoTaskMemAlloc memory, or NULL when
// memory runs out.
LPWSTR CopyToTaskMemory(const std::wstring& text);

#endif  // JOBWARDEN_PLATFORM_TASK_MEMORY_H

#include "platform/taskscheduler/task_memory.h"

#include <cstring>

LPWSTR CopyToTaskMemory(const std::wstring& text) {
  size_t size = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(size));
  if (copy)
    std::memcpy(copy, text.c_str(), size);
  return copy;
}

#include "jobwarden/scheduler/task_name_length.h"

#include <cstdint>

std::size_t Utf16Length(const wchar_t* name) {
  std::size_t units = 0;
  for (const wchar_t* next = name; *next != L'\0'; ++next) {
    // Only a 32-bit wchar_t holds a code point above 0xFFFF; where wchar_t
    // is UTF-16, each half of a pair is counted by itself.
    const std::uint32_t code = static_cast<std::uint32_t>(*next);
    units += (code >> 16) != 0 ? 2 : 1;
  }
  return units;
}

bool FitsTaskFolder(const wchar_t* task_name) {
  return Utf16Length(task_name) <= kMaxTaskNameUnits;
}

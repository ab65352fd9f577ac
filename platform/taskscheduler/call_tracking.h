// The component's side of test_hooks.h: every entry point reports its call
// here, asks whether a test planned a failure for it, and keeps the counts of
// live references and allocations. Without a test that plans anything these
// only record; a release build behaves the same with or without them.
#ifndef JOBWARDEN_PLATFORM_CALL_TRACKING_H
#define JOBWARDEN_PLATFORM_CALL_TRACKING_H

#include <windows.h>

#include "test_hooks.h"

namespace call_tracking {

// Appends `name` ("ITask::Release", "CoTaskMemFree", ...) to the call log.
// The log keeps the pointer: `name` here and in Enter is a string literal.
void Log(const char* name);

// Logs `name`, counts one call of `operation` and, when a test planned a
// failure for this call, stores it in *planned and returns true.
bool Enter(const char* name, test_hooks::Operation operation, HRESULT* planned);

// Enter for an entry point that hands something out through `out`: a
// planned failure also clears *out (when given), as any failing call must.
template <typename T>
bool Enter(const char* name, test_hooks::Operation operation, HRESULT* planned, T** out) {
  if (!Enter(name, operation, planned))
    return false;
  if (out)
    *out = nullptr;
  return true;
}

// One interface reference handed out (+1) or given back (-1).
void CountReference(int delta);

// One CoTaskMemAlloc block handed out (+1) or freed (-1).
void CountAllocation(int delta);

// True, with the time in *time, while a test fixes the local time.
bool FixedLocalTime(SYSTEMTIME* time);

}  // namespace call_tracking

#endif  // JOBWARDEN_PLATFORM_CALL_TRACKING_H

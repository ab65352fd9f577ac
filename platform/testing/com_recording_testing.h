// For tests only: the record that the recording COM runtime
// (recording_com_runtime_testing.cc) and the recording interfaces it hands out
// (recording_interfaces_testing.h) keep of every call a caller makes, and
// the failures a test plans for them. Test binaries link these in place of
// the runtime programs link, so the component itself knows nothing of it.
#ifndef PLATFORM_TESTING_COM_RECORDING_TESTING_H_
#define PLATFORM_TESTING_COM_RECORDING_TESTING_H_

#include <mstask.h>

#include <string>
#include <vector>

namespace test_hooks {

// Operations whose result a test can choose.
enum class Operation {
  CoInitialize,
  CoCreateInstance,
  NewWorkItem,
  Delete,
  Enum,
  Activate,
  EnumNext,
  TaskQueryInterface,  // ITask::QueryInterface
  CreateTrigger,
  GetTrigger,  // ITask::GetTrigger
  SetAccountInformation,
  SetApplicationName,
  SetParameters,
  SetTrigger,
  GetTriggerString,
  PersistSave,
};

// Makes the nth call (1-based, counted from the last Reset) of the
// operation return `result` without reaching the component (and with its
// out-pointer cleared).
void FailCall(Operation operation, int nth_call, HRESULT result);

// Forgets every planned failure, the call counts and the call log.
void Reset();

// Every call made through the COM runtime and the interfaces it handed out
// since the last Reset, in order, as "<Interface>::<Method>" (e.g.
// "ITaskScheduler::NewWorkItem", "IPersistFile::Save", "ITask::Release") or
// the bare function name ("CoInitialize", "CoUninitialize",
// "CoCreateInstance", "CoTaskMemFree"). A Release is logged under the
// interface it was called through.
std::vector<std::string> CallLog();

// Every task memory block CoTaskMemFree freed since the last Reset, in
// order, each named by what handed it out: "IEnumWorkItems::Next names"
// (the array), "IEnumWorkItems::Next name" (one name in it),
// "ITaskTrigger::GetTriggerString text", or "CoTaskMemAlloc" for a block
// no recording interface handed out; "no such block" for a pointer that is
// not an allocated block. The call log says only that a block was freed.
std::vector<std::string> FreedBlocks();

// Interface references handed out and not yet released, and CoTaskMemAlloc
// blocks not yet freed.
int OutstandingReferences();
int OutstandingAllocations();

// The recording side: what the runtime and the recording interfaces call.
namespace record {

// Appends `name`, a string literal, to the call log.
void Log(const char* name);

// Logs `name`, counts one call of `operation` and, when a test planned a
// failure for this call, stores it in *planned and returns true.
bool Enter(const char* name, Operation operation, HRESULT* planned);

// Enter for a call that hands something out through `out`: a planned
// failure also clears *out (when given), as any failing call must.
template <typename T>
bool Enter(const char* name, Operation operation, HRESULT* planned, T** out) {
  if (!Enter(name, operation, planned))
    return false;
  if (out)
    *out = nullptr;
  return true;
}

void CountReference(int delta);

// A new block from CoTaskMemAlloc, counted and named "CoTaskMemAlloc".
void Allocated(void* block);
// Renames a block that a recording interface hands out; `what` is a
// string literal.
void NameBlock(void* block, const char* what);
// Counts the block as freed and adds its name to FreedBlocks; false for a
// pointer that is not an allocated block.
bool Freed(void* block);

}  // namespace record
}  // namespace test_hooks

#endif  // PLATFORM_TESTING_COM_RECORDING_TESTING_H_

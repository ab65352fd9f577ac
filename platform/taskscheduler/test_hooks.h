// In-process control over our Task Scheduler component, for tests only.
// Nothing here can be reached from outside the process: there is no
// environment variable or file that switches any of it on.
#ifndef JOBWARDEN_PLATFORM_TEST_HOOKS_H
#define JOBWARDEN_PLATFORM_TEST_HOOKS_H

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
  GetTrigger,          // ITask::GetTrigger
  SetAccountInformation,
  SetApplicationName,
  SetParameters,
  SetTrigger,
  GetTriggerString,
  PersistSave,
};

// Makes the nth call (1-based, counted from the last Reset) of the
// operation return `result` without doing anything else.
void FailCall(Operation operation, int nth_call, HRESULT result);

// Forgets every planned failure, the call counts and the call log.
void Reset();

// Every call made through the component since the last Reset, in order, as
// "<Interface>::<Method>" (e.g. "ITaskScheduler::NewWorkItem",
// "IPersistFile::Save", "ITask::Release", "IPersistFile::Release",
// "ITaskTrigger::Release", "IEnumWorkItems::Release",
// "ITaskScheduler::Release") or the bare function name ("CoInitialize",
// "CoUninitialize", "CoCreateInstance", "CoTaskMemFree"). A Release is
// logged under the interface it was called through.
std::vector<std::string> CallLog();

// Interface references handed out and not yet released, and CoTaskMemAlloc
// blocks not yet freed.
int OutstandingReferences();
int OutstandingAllocations();

// Fixes the time GetLocalTime reports, until ClearFixedLocalTime.
void SetFixedLocalTime(const SYSTEMTIME& time);
void ClearFixedLocalTime();

}  // namespace test_hooks

#endif  // JOBWARDEN_PLATFORM_TEST_HOOKS_H

#include "jobwarden/scheduler/scheduler_client.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "jobwarden/scheduler/jobwarden_exception.h"
#include "jobwarden/scheduler/task_creation.h"
#include "jobwarden/support/console_writer.h"

SchedulerClient::SchedulerClient() {
  // S_FALSE (COM already initialised on this thread) still needs its own
  // CoUninitialize, so only a failure counts.
  if (FAILED(CoInitialize(nullptr)))
    throw JobwardenException(L"Couldn't initialize COM\t.");
}

SchedulerClient::~SchedulerClient() { CoUninitialize(); }

void SchedulerClient::CreateTask(const wchar_t* task_name, const wchar_t* program,
                                 const wchar_t* parameters, const wchar_t* user, wchar_t* password,
                                 TaskFrequency frequency) {
  RegisterTask(task_name, program, parameters, user, password, frequency);
}

ITaskScheduler* NewTaskScheduler(const wchar_t* failure_message) {
  ITaskScheduler* scheduler = nullptr;
  const HRESULT result = CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_ITaskScheduler, reinterpret_cast<void**>(&scheduler));
  if (FAILED(result))
    throw JobwardenException(failure_message);
  return scheduler;
}

void ReleaseAndThrow(std::initializer_list<IUnknown*> release_in_order, const wchar_t* message) {
  for (IUnknown* held : release_in_order)
    held->Release();
  throw JobwardenException(message);
}

namespace {

// A task is stored as the file "<name>.job" in the task folder,
// C:\WINDOWS\Tasks on a Windows installed as it comes (C:\WINNT\Tasks, two
// units shorter, on NT 4.0 and 2000), and a path in the Windows API is at
// most MAX_PATH units with its terminating NUL. A Task Scheduler component
// may build that path in a fixed buffer without checking its length (Wine's
// overruns its stack from 246 units on), so a longer name is refused before
// it is handed over.
constexpr std::size_t kMaxPathUnits = 260;          // MAX_PATH, NUL included
constexpr std::size_t kTaskFolderPrefixUnits = 17;  // "C:\WINDOWS\Tasks\"
constexpr std::size_t kMaxTaskNameUnits = kMaxPathUnits - 1 - kTaskFolderPrefixUnits - 4;  // ".job"

// The name's length in UTF-16 units, whatever the width of wchar_t: a
// character beyond the Basic Multilingual Plane counts two.
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

}  // namespace

bool FitsTaskFolder(const wchar_t* task_name) {
  return Utf16Length(task_name) <= kMaxTaskNameUnits;
}

// A name too long for the task folder names no stored task; it gets the
// answer of a name not found without reaching the component, which may
// copy it into a fixed buffer.
void SchedulerClient::DeleteTask(const wchar_t* task_name) {
  constexpr const wchar_t* kNotFound =
      L"Error deleting task, Please make sure the task name is valid.";
  ITaskScheduler* scheduler = NewTaskScheduler(L"Error deleting job.");
  if (!FitsTaskFolder(task_name) || FAILED(scheduler->Delete(task_name)))
    ReleaseAndThrow({scheduler}, kNotFound);
  scheduler->Release();
}

namespace {

// The first trigger's text, or nothing when the task, its trigger or the
// text cannot be had: the task is still listed by name.
void PrintFirstTriggerText(ITaskScheduler* scheduler, const wchar_t* task_name) {
  ITask* task = nullptr;
  if (FAILED(scheduler->Activate(task_name, IID_ITask, reinterpret_cast<IUnknown**>(&task))))
    return;
  ITaskTrigger* trigger = nullptr;
  if (FAILED(task->GetTrigger(0, &trigger))) {
    task->Release();
    return;
  }
  LPWSTR text = nullptr;
  if (FAILED(trigger->GetTriggerString(&text))) {
    trigger->Release();
    task->Release();
    return;
  }
  WriteConsoleText(L" " + std::wstring(text ? text : L""));
  CoTaskMemFree(text);
  trigger->Release();
  task->Release();
}

void PrintTask(ITaskScheduler* scheduler, const wchar_t* task_name) {
  WriteConsoleText(L"\n" + std::wstring(task_name ? task_name : L""));
  PrintFirstTriggerText(scheduler, task_name);
}

}  // namespace

void SchedulerClient::QueryTasks() {
  ITaskScheduler* scheduler = NewTaskScheduler(L"Error quering jobs.");
  IEnumWorkItems* enumerator = nullptr;
  if (FAILED(scheduler->Enum(&enumerator)))
    ReleaseAndThrow({scheduler}, L"Error quering jobs.");

  // A failing Next ends the listing like the normal end does: what has been
  // printed stays printed.
  for (;;) {
    LPWSTR* names = nullptr;
    ULONG fetched = 0;
    const HRESULT result = enumerator->Next(1, &names, &fetched);
    if (FAILED(result) || fetched == 0)
      break;
    PrintTask(scheduler, names[0]);
    CoTaskMemFree(names[0]);
    CoTaskMemFree(names);
  }
  enumerator->Release();
  scheduler->Release();
}

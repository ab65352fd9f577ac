#include <string>

#include "jobwarden/console/console_writer.h"
#include "jobwarden/scheduler/com_failure.h"
#include "jobwarden/scheduler/scheduler_client.h"
#include "jobwarden/scheduler/scheduler_instance.h"

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

#include "jobwarden/scheduler/com_failure.h"
#include "jobwarden/scheduler/scheduler_client.h"
#include "jobwarden/scheduler/task_name_length.h"

// A name too long for the task folder names no stored task; it gets the
// answer of a name not found without reaching the component, which may
// copy it into a fixed buffer.
void SchedulerClient::DeleteTask(const wchar_t* task_name) {
  constexpr const wchar_t* kNotFound =
      L"Error deleting task, Please make sure the task name is valid.";
  ITaskScheduler* scheduler = CreateTaskScheduler(L"Error deleting job.");
  if (!FitsTaskFolder(task_name) || FAILED(scheduler->Delete(task_name)))
    ReleaseAndThrow({scheduler}, kNotFound);
  scheduler->Release();
}

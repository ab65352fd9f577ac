#include "jobwarden/scheduler/com_failure.h"
#include "jobwarden/scheduler/scheduler_client.h"

void SchedulerClient::DeleteTask(const wchar_t* task_name) {
  ITaskScheduler* scheduler = CreateTaskScheduler(L"Error deleting job.");
  if (FAILED(scheduler->Delete(task_name))) {
    ReleaseAndThrow({scheduler},
                    L"Error deleting task, Please make sure the task name is valid.");
  }
  scheduler->Release();
}

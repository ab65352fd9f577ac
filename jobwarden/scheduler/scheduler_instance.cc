#include "jobwarden/scheduler/scheduler_instance.h"

#include "jobwarden/scheduler/jobwarden_exception.h"

ITaskScheduler* NewTaskScheduler(const wchar_t* failure_message) {
  ITaskScheduler* scheduler = nullptr;
  const HRESULT result = CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_ITaskScheduler, reinterpret_cast<void**>(&scheduler));
  if (FAILED(result))
    throw JobwardenException(failure_message);
  return scheduler;
}

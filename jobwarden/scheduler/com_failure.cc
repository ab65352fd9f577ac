#include "jobwarden/scheduler/com_failure.h"

#include "jobwarden/scheduler/jobwarden_exception.h"

void ReleaseAndThrow(std::initializer_list<IUnknown*> release_in_order, const wchar_t* message) {
  for (IUnknown* held : release_in_order)
    held->Release();
  throw JobwardenException(message);
}

ITaskScheduler* CreateTaskScheduler(const wchar_t* failure_message) {
  ITaskScheduler* scheduler = nullptr;
  const HRESULT result = CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_ITaskScheduler, reinterpret_cast<void**>(&scheduler));
  if (FAILED(result))
    throw JobwardenException(failure_message);
  return scheduler;
}

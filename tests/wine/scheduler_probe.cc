// Exits 0 once the Task Scheduler 1.0 component can be created in this Wine
// prefix, 1 while it cannot. The suite polls it before the first case, so
// that a prefix whose services are still starting is not mistaken for a
// fault of Jobwarden.
#include <mstask.h>
#include <windows.h>

int main() {
  if (FAILED(CoInitialize(nullptr)))
    return 1;
  ITaskScheduler* scheduler = nullptr;
  const HRESULT created =
      CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                       reinterpret_cast<void**>(&scheduler));
  if (SUCCEEDED(created))
    scheduler->Release();
  CoUninitialize();
  return SUCCEEDED(created) ? 0 : 1;
}

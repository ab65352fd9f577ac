// The few COM runtime functions Jobwarden calls, for hosts without ole32.
// Our component is in-process and free-threaded, so "initialised" is only a
// per-thread nesting count that CoCreateInstance insists on, as ole32 does.
#include <objbase.h>

#include <time.h>

#include <cstdlib>
#include <cstring>

#include "call_tracking.h"
#include "task_memory.h"
#include "task_scheduler.h"

namespace {

thread_local int com_init_count = 0;

}  // namespace

HRESULT WINAPI CoInitialize(LPVOID /*pvReserved*/) {
  HRESULT planned;
  if (call_tracking::Enter("CoInitialize", test_hooks::Operation::CoInitialize, &planned))
    return planned;
  return com_init_count++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize() {
  call_tracking::Log("CoUninitialize");
  // An unmatched call is a caller bug; ole32 ignores it, and so do we.
  if (com_init_count > 0)
    --com_init_count;
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD /*dwClsContext*/,
                                REFIID riid, LPVOID* ppv) {
  HRESULT planned;
  if (call_tracking::Enter("CoCreateInstance", test_hooks::Operation::CoCreateInstance,
                           &planned, ppv))
    return planned;
  if (!ppv)
    return E_POINTER;
  *ppv = nullptr;
  if (com_init_count == 0)
    return CO_E_NOTINITIALIZED;
  // Only the scheduler is registered for creation; tasks come from it
  // (NewWorkItem, Activate), which is the only way Jobwarden makes them.
  if (rclsid != CLSID_CTaskScheduler)
    return REGDB_E_CLASSNOTREG;
  if (pUnkOuter)
    return CLASS_E_NOAGGREGATION;
  return CreateTaskScheduler(riid, ppv);
}

LPVOID WINAPI CoTaskMemAlloc(size_t cb) {
  // malloc(0) may answer NULL, which a caller would take for failure.
  void* block = std::malloc(cb == 0 ? 1 : cb);
  if (block)
    call_tracking::CountAllocation(+1);
  return block;
}

void WINAPI CoTaskMemFree(LPVOID pv) {
  call_tracking::Log("CoTaskMemFree");
  if (!pv)
    return;
  call_tracking::CountAllocation(-1);
  std::free(pv);
}

LPWSTR CopyToTaskMemory(const std::wstring& text) {
  size_t size = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(size));
  if (copy)
    std::memcpy(copy, text.c_str(), size);
  return copy;
}

void FreeUnhandedTaskMemory(void* block) {
  if (!block)
    return;
  call_tracking::CountAllocation(-1);
  std::free(block);
}

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (call_tracking::FixedLocalTime(lpSystemTime))
    return;
  timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local = {};
  localtime_r(&now.tv_sec, &local);
  lpSystemTime->wYear = static_cast<WORD>(local.tm_year + 1900);
  lpSystemTime->wMonth = static_cast<WORD>(local.tm_mon + 1);
  lpSystemTime->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  lpSystemTime->wDay = static_cast<WORD>(local.tm_mday);
  lpSystemTime->wHour = static_cast<WORD>(local.tm_hour);
  lpSystemTime->wMinute = static_cast<WORD>(local.tm_min);
  // A leap second shows as second 60; SYSTEMTIME has no room for it.
  lpSystemTime->wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
  lpSystemTime->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

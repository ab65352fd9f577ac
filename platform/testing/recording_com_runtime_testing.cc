// For tests only: the COM runtime functions, linked into test binaries in
// place of platform/taskscheduler/com_runtime-posix.cc. They keep the same
// per-thread apartment (ComApartment), log each call, answer planned
// failures, count task memory, and hand out the scheduler behind a
// recording interface, so that every later call a caller makes on it or on
// what it hands out is recorded too.
#include <objbase.h>

#include <cstdlib>

#include "platform/taskscheduler/com_apartment-posix.h"
#include "platform/testing/com_recording_testing.h"
#include "platform/testing/recording_interfaces_testing.h"

using test_hooks::Operation;
namespace record = test_hooks::record;

HRESULT WINAPI CoInitialize(LPVOID /*pvReserved*/) {
  HRESULT planned;
  if (record::Enter("CoInitialize", Operation::CoInitialize, &planned))
    return planned;
  return ComApartment::Enter();
}

void WINAPI CoUninitialize() {
  record::Log("CoUninitialize");
  ComApartment::Leave();
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD /*dwClsContext*/,
                                REFIID riid, LPVOID* ppv) {
  HRESULT planned;
  if (record::Enter("CoCreateInstance", Operation::CoCreateInstance, &planned, ppv))
    return planned;
  HRESULT result = ComApartment::CreateInstance(rclsid, pUnkOuter, riid, ppv);
  if (FAILED(result))
    return result;
  // Only the scheduler is ever created here.
  *ppv = RecordingScheduler(static_cast<ITaskScheduler*>(*ppv));
  return result;
}

LPVOID WINAPI CoTaskMemAlloc(size_t cb) {
  void* block = std::malloc(cb == 0 ? 1 : cb);
  if (block)
    record::Allocated(block);
  return block;
}

// A pointer that is not an allocated block is recorded, not freed: the
// test that caused it fails on the record rather than on the heap.
void WINAPI CoTaskMemFree(LPVOID pv) {
  record::Log("CoTaskMemFree");
  if (pv && record::Freed(pv))
    std::free(pv);
}

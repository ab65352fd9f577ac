// The COM runtime functions Jobwarden calls, for hosts without ole32: the
// one programs link. Tests link platform/testing/recording_com_runtime_testing.cc
// in its place.
#include <objbase.h>

#include <cstdlib>

#include "platform/taskscheduler/com_apartment-posix.h"

HRESULT WINAPI CoInitialize(LPVOID /*pvReserved*/) { return ComApartment::Enter(); }

void WINAPI CoUninitialize() { ComApartment::Leave(); }

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD /*dwClsContext*/,
                                REFIID riid, LPVOID* ppv) {
  return ComApartment::CreateInstance(rclsid, pUnkOuter, riid, ppv);
}

LPVOID WINAPI CoTaskMemAlloc(size_t cb) {
  // malloc(0) may answer NULL, which a caller would take for failure.
  return std::malloc(cb == 0 ? 1 : cb);
}

void WINAPI CoTaskMemFree(LPVOID pv) { std::free(pv); }

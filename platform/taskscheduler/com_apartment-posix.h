// The COM runtime for hosts without ole32, the part shared by the runtime
// programs link (com_runtime-posix.cc) and the recording one tests link
// instead: the per-thread state, and the one class it creates. Our component
// is in-process and free-threaded, so a thread's apartment is only a nesting
// count that CoCreateInstance insists on, as ole32 does.
#ifndef PLATFORM_TASKSCHEDULER_COM_APARTMENT_POSIX_H_
#define PLATFORM_TASKSCHEDULER_COM_APARTMENT_POSIX_H_

#include <objbase.h>

class ComApartment {
 public:
  // CoInitialize: S_OK for the thread's first entry, S_FALSE when nested.
  static HRESULT Enter();
  // CoUninitialize: an unmatched call is a caller bug; ole32 ignores it,
  // and so do we.
  static void Leave();
  // CoCreateInstance on the calling thread: only the task scheduler is
  // registered for creation, and only once the thread entered.
  static HRESULT CreateInstance(REFCLSID rclsid, LPUNKNOWN outer, REFIID riid, void** object);
};

#endif  // PLATFORM_TASKSCHEDULER_COM_APARTMENT_POSIX_H_

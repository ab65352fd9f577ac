#include "jobwarden/scheduler/com_failure.h"

#include "jobwarden/scheduler/jobwarden_exception.h"

void ReleaseAndThrow(std::initializer_list<IUnknown*> release_in_order, const wchar_t* message) {
  for (IUnknown* held : release_in_order)
    held->Release();
  throw JobwardenException(message);
}

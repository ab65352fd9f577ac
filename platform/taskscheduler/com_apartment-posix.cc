#include "platform/taskscheduler/com_apartment-posix.h"

#include <mstask.h>

#include "platform/taskscheduler/task_scheduler.h"

namespace {

thread_local int nesting = 0;

}  // namespace

HRESULT ComApartment::Enter() { return nesting++ == 0 ? S_OK : S_FALSE; }

void ComApartment::Leave() {
  if (nesting > 0)
    --nesting;
}

HRESULT ComApartment::CreateInstance(REFCLSID rclsid, LPUNKNOWN outer, REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  *object = nullptr;
  if (nesting == 0)
    return CO_E_NOTINITIALIZED;
  // Tasks come from the scheduler (NewWorkItem, Activate), which is the
  // only way Jobwarden makes them.
  if (rclsid != CLSID_CTaskScheduler)
    return REGDB_E_CLASSNOTREG;
  if (outer)
    return CLASS_E_NOAGGREGATION;
  return CreateSchedulerObject(riid, object);
}

// QueryInterface for our objects that have one interface besides IUnknown
// (the scheduler, the enumerator, the trigger).
#ifndef PLATFORM_TASKSCHEDULER_SINGLE_INTERFACE_H_
#define PLATFORM_TASKSCHEDULER_SINGLE_INTERFACE_H_

#include <windows.h>

#include "platform/taskscheduler/reference_count.h"

// Hands out `self` with a new reference when `riid` is IUnknown or `own`.
template <typename Interface>
HRESULT QuerySingleInterface(Interface* self, REFIID own, ReferenceCount* references, REFIID riid,
                             void** object) {
  if (!object)
    return E_POINTER;
  *object = nullptr;
  if (riid != IID_IUnknown && riid != own)
    return E_NOINTERFACE;
  references->Add();
  *object = self;
  return S_OK;
}

#endif  // PLATFORM_TASKSCHEDULER_SINGLE_INTERFACE_H_

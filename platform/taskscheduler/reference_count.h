// The reference count of one of our COM objects. Every change is also
// reported to the test hooks, so a test can see that a caller released
// everything it was handed.
#ifndef JOBWARDEN_PLATFORM_REFERENCE_COUNT_H
#define JOBWARDEN_PLATFORM_REFERENCE_COUNT_H

#include <windows.h>

#include <atomic>

#include "call_tracking.h"

class ReferenceCount {
 public:
  // An object starts with the one reference its creator holds.
  ReferenceCount() { call_tracking::CountReference(+1); }
  ReferenceCount(const ReferenceCount&) = delete;
  ReferenceCount& operator=(const ReferenceCount&) = delete;

  ULONG Add() {
    call_tracking::CountReference(+1);
    return ++count_;
  }
  // Returns the count left; the owner deletes itself at 0.
  ULONG Drop() {
    call_tracking::CountReference(-1);
    return --count_;
  }

 private:
  std::atomic<ULONG> count_{1};
};

#endif  // JOBWARDEN_PLATFORM_REFERENCE_COUNT_H

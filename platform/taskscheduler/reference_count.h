// The reference count of one of our COM objects.
#ifndef PLATFORM_TASKSCHEDULER_REFERENCE_COUNT_H_
#define PLATFORM_TASKSCHEDULER_REFERENCE_COUNT_H_

#include <windows.h>

#include <atomic>

class ReferenceCount {
 public:
  // An object starts with the one reference its creator holds.
  ReferenceCount() = default;
  ReferenceCount(const ReferenceCount&) = delete;
  ReferenceCount& operator=(const ReferenceCount&) = delete;

  ULONG Add() { return ++count_; }
  // Drops one reference of `owner`, the object this count is part of, and
  // deletes it with the last; returns the count left. Owners keep their
  // destructor private and make this class a friend, so that nothing else
  // can delete them.
  template <typename Owner>
  ULONG DropAndDelete(Owner* owner) {
    ULONG left = --count_;
    if (left == 0)
      delete owner;
    return left;
  }

 private:
  std::atomic<ULONG> count_{1};
};

#endif  // PLATFORM_TASKSCHEDULER_REFERENCE_COUNT_H_

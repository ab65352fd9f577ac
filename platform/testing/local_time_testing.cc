#include "platform/testing/local_time_testing.h"

#include <mutex>

#include "platform/posix/system_clock-posix.h"

namespace {

struct FixedTime {
  std::mutex mutex;
  bool fixed = false;
  SYSTEMTIME time = {};
};

FixedTime& Fixed() {
  static FixedTime* fixed = new FixedTime;  // never destroyed, as callers may outlive statics
  return *fixed;
}

}  // namespace

namespace test_hooks {

void SetFixedLocalTime(const SYSTEMTIME& time) {
  std::lock_guard<std::mutex> lock(Fixed().mutex);
  Fixed().fixed = true;
  Fixed().time = time;
}

void ClearFixedLocalTime() {
  std::lock_guard<std::mutex> lock(Fixed().mutex);
  Fixed().fixed = false;
}

}  // namespace test_hooks

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  {
    std::lock_guard<std::mutex> lock(Fixed().mutex);
    if (Fixed().fixed) {
      *lpSystemTime = Fixed().time;
      return;
    }
  }
  *lpSystemTime = ReadLocalClock();
}

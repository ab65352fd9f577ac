// For tests only: decorators over the component's interfaces. Each logs
// every call made through it as "<Interface>::<Method>", answers the
// failures a test planned (com_recording_testing.h) without reaching the
// component, counts the references it hands out, and wraps every interface
// the component hands out through it, so a caller never holds a bare one.
#ifndef PLATFORM_TESTING_RECORDING_INTERFACES_TESTING_H_
#define PLATFORM_TESTING_RECORDING_INTERFACES_TESTING_H_

#include <mstask.h>

// Takes over the caller's one reference to `scheduler` and returns a
// recording scheduler with one reference in its place.
ITaskScheduler* RecordingScheduler(ITaskScheduler* scheduler);

#endif  // PLATFORM_TESTING_RECORDING_INTERFACES_TESTING_H_

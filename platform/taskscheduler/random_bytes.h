// Unpredictable bytes for job UUIDs and temporary file names: two processes
// saving at the same moment must never pick the same temporary file.
#ifndef PLATFORM_TASKSCHEDULER_RANDOM_BYTES_H_
#define PLATFORM_TASKSCHEDULER_RANDOM_BYTES_H_

#include <cstddef>

void RandomBytes(void* buffer, size_t size);

#endif  // PLATFORM_TASKSCHEDULER_RANDOM_BYTES_H_

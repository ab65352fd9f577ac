// Unpredictable bytes for job UUIDs and temporary file names: two processes
// saving at the same moment must never pick the same temporary file.
#ifndef JOBWARDEN_PLATFORM_RANDOM_BYTES_H
#define JOBWARDEN_PLATFORM_RANDOM_BYTES_H

#include <cstddef>

void RandomBytes(void* buffer, size_t size);

#endif  // JOBWARDEN_PLATFORM_RANDOM_BYTES_H

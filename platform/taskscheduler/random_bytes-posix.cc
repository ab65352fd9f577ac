#include "platform/taskscheduler/random_bytes.h"

#include <errno.h>
#include <sys/random.h>

#include <cstdint>
#include <random>

void RandomBytes(void* buffer, size_t size) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  size_t filled = 0;
  while (filled < size) {
    ssize_t got = getrandom(bytes + filled, size - filled, 0);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      break;  // A kernel without getrandom: fall back below.
    }
    filled += static_cast<size_t>(got);
  }
  if (filled == size)
    return;
  std::random_device device;
  for (; filled < size; ++filled)
    bytes[filled] = static_cast<uint8_t>(device());
}

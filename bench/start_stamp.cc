// The burst's task: appends the time it started (nanoseconds since the
// epoch) to FILE and exits, costing about what /bin/true costs.
//
//   start_stamp FILE
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2)
    return 2;
  timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  char line[32];
  const int length = std::snprintf(line, sizeof(line), "%lld%09ld\n",
                                   static_cast<long long>(now.tv_sec), now.tv_nsec);
  const int file = open(argv[1], O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  return file >= 0 && write(file, line, static_cast<size_t>(length)) == length ? 0 : 1;
}

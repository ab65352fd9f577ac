#include "platform/taskscheduler/task_folder_lock-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>

#include <algorithm>

#include "platform/posix/hresult_from_errno-posix.h"

namespace {

void Pause(std::chrono::microseconds pause) {
  timespec delay = {};
  delay.tv_sec = static_cast<time_t>(pause.count() / 1000000);
  delay.tv_nsec = static_cast<long>(pause.count() % 1000000) * 1000;
  nanosleep(&delay, nullptr);
}

}  // namespace

HRESULT TaskFolderLock::Acquire(int folder_fd, std::chrono::milliseconds wait) {
  descriptor_.Reset(-1);
  // A descriptor of our own: flock belongs to the open file, and the
  // caller's may be shared with other holders in this process.
  Descriptor folder(openat(folder_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0)
    return HresultFromErrno(errno);
  // Polled rather than blocking, so that the wait has a bound; the pause
  // grows from a fraction of one save to a few milliseconds.
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::chrono::microseconds pause{50};
  for (;;) {
    if (flock(folder.get(), LOCK_EX | LOCK_NB) == 0) {
      descriptor_.Reset(folder.Release());
      return S_OK;
    }
    if (errno != EWOULDBLOCK && errno != EINTR)
      return HresultFromErrno(errno);
    if (std::chrono::steady_clock::now() >= deadline)
      return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    Pause(pause);
    pause = std::min<std::chrono::microseconds>(2 * pause, std::chrono::milliseconds(2));
  }
}

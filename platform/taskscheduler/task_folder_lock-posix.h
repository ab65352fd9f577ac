// The one exclusive lock of a task folder. Every step that looks a name up
// and then publishes, replaces or removes a file in the folder holds it from
// the lookup to the publish, so that no other process changes the folder in
// between; readers take no lock (every file appears whole, by rename).
//
// The rules for any program that changes a task folder (Jobwarden, and
// whatever else keeps its tasks):
// - take the lock before looking at what the folder holds, and release it
//   once the change is published: milliseconds, never across a wait for
//   anything but the disk;
// - a temporary file lives only while its writer holds the lock: it is
//   written, flushed and renamed (or removed) before the lock is released.
//   So a temporary file found while holding the lock belongs to a writer
//   that died, and may be removed.
//
// The lock is flock(2) on a descriptor of the folder itself: no lock file
// in the folder, released by the kernel when its holder dies, and taken
// anew for each TaskFolderLock, so two holders in one process exclude each
// other as two processes do.
#ifndef PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCK_POSIX_H_
#define PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCK_POSIX_H_

#include <windows.h>

#include <chrono>

#include "platform/posix/descriptor-posix.h"

class TaskFolderLock {
 public:
  // Long enough for every other writer's save; a holder that is stopped
  // (not dead, which frees the lock) turns into a refusal, not a hang.
  static constexpr std::chrono::milliseconds kDefaultWait{10000};

  TaskFolderLock() = default;
  TaskFolderLock(const TaskFolderLock&) = delete;
  TaskFolderLock& operator=(const TaskFolderLock&) = delete;
  // Releases the lock.
  ~TaskFolderLock() = default;

  // Takes the lock on the folder open as `folder_fd`, waiting at most
  // `wait`. S_OK when held; ERROR_TIMEOUT when another holder kept
  // it all that time; another failure when no descriptor could be had.
  // Not reentrant: a second Acquire on one object releases the first lock.
  HRESULT Acquire(int folder_fd, std::chrono::milliseconds wait = kDefaultWait);

  bool held() const { return descriptor_.get() >= 0; }

 private:
  Descriptor descriptor_;
};

#endif  // PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCK_POSIX_H_

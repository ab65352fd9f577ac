// One lock per task, held by the process that runs it from before its start
// to after its record is written: a task still running when it falls due
// again is not started a second time. An flock on a file of a private state
// folder, so that a process that dies, however it dies, lets go of it.
#ifndef PLATFORM_SERVICE_RUN_LOCK_POSIX_H_
#define PLATFORM_SERVICE_RUN_LOCK_POSIX_H_

#include <string>

#include "platform/posix/descriptor-posix.h"

// $XDG_STATE_HOME/jobwarden/running, else ~/.local/state/jobwarden/running;
// empty when there is no home to put it in.
std::string RunLockFolderFromEnvironment();

class RunLocks {
 public:
  explicit RunLocks(std::string folder) : folder_(std::move(folder)) {}

  enum class Outcome { kHeld, kBusy, kFailed };
  // Locks the task `file_name` of `task_folder`; while `held` stays open
  // nobody else gets it.
  Outcome TryLock(const std::string& task_folder, const std::string& file_name,
                  Descriptor* held) const;

 private:
  std::string folder_;
};

#endif  // PLATFORM_SERVICE_RUN_LOCK_POSIX_H_

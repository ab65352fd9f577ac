// One lock per task, held from before its start record to after its end
// record, and by the task's watcher while the task's program lives (it
// inherits the lock's descriptor; the program does not): a task still
// running when it falls due again is not started a second time, even when
// the run-due that started it was killed. The lock file also holds the
// note of the task's latest run (run_note.h).
// An flock on a file of a private state folder, so that the lock is free
// once every process that holds it has ended, however it ended.
//
// The folder and its files are checked as cron would check them: a planted
// symbolic link, a folder others can write to or a lock file that is not
// ours makes the lock fail, never the service write elsewhere.
#ifndef SERVICE_RUN_LOCK_POSIX_H_
#define SERVICE_RUN_LOCK_POSIX_H_

#include <string>

#include "platform/posix/descriptor-posix.h"

// $XDG_STATE_HOME, else ~/.local/state; empty when there is no home to put
// it in.
std::string StateFolderFromEnvironment();

class RunLocks {
 public:
  // The locks live in `state_folder`/jobwarden/running.
  explicit RunLocks(std::string state_folder) : state_folder_(std::move(state_folder)) {}

  enum class Outcome { kHeld, kBusy, kFailed };
  // Locks the task `file_name` of the task folder that `folder_key` names
  // (TaskStore::FolderKey); while `held` stays open nobody else gets it.
  // `why` receives the reason of a failure.
  // The service's state folder (`state_folder`/jobwarden), checked as the
  // locks' folder is, for the run log and the tasks' output; -1 with the
  // reason when it cannot be had.
  int StateFolder(std::string* why) const;

  // The path of that folder.
  std::string StateFolderPath() const { return state_folder_ + "/jobwarden"; }

  Outcome TryLock(const std::string& folder_key, const std::string& file_name, Descriptor* held,
                  std::string* why) const;

 private:
  // Opens (creating, owner-only) the folder of the locks, checking each
  // step from the state folder down.
  bool OpenFolder(std::string* why) const;

  std::string state_folder_;
  mutable Descriptor folder_;
  mutable Descriptor state_;
};

#endif  // SERVICE_RUN_LOCK_POSIX_H_

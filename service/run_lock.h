// One lock per task, held from before its start record to after its end
// record, and by the task's watcher while the task's program lives (it
// inherits the lock's descriptor; the program does not): a task still
// running when it falls due again is not started a second time, even when
// the run-due that started it was killed. The lock file also holds the
// note of the task's latest run (run_note.h).
// An flock on a file of a private state folder, so that the lock is free
// once every process that holds it has ended, however it ended.
//
// The folder and its files are checked under the trust rule: a planted
// symbolic link, a folder others can write to or a lock file that is not
// ours makes the lock fail, never the service write elsewhere.
#ifndef SERVICE_RUN_LOCK_H_
#define SERVICE_RUN_LOCK_H_

#include <string>

#include "platform/posix/descriptor-posix.h"
#include "service/service_folders.h"

class RunLocks {
 public:
  // The locks live in the folders' running/.
  explicit RunLocks(ServiceFolders& folders) : folders_(folders) {}

  enum class Outcome { kHeld, kBusy, kFailed };
  // Locks the task `file_name` of the task folder that `folder_key` names
  // (TaskStore::FolderKey); while `held` stays open nobody else gets it.
  // `why` receives the reason of a failure.
  Outcome TryLock(const std::string& folder_key, const std::string& file_name, Descriptor* held,
                  std::string* why) const;

 private:
  ServiceFolders& folders_;
};

#endif  // SERVICE_RUN_LOCK_H_

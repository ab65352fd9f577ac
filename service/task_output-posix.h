// Each task's output, standard output and standard error of its most
// recent run, in a file of its own under the state folder's output/, in
// place of cron's mail: `status` says where it is and shows its end.
//
// The service opens the file before it forks the task's process (so the
// process, whoever it runs as, writes to it by descriptor only) and trims
// it to its last kLimit bytes once the run has ended. The file belongs to
// the task's account, mode 0600: as root the service gives it to the
// account it runs the task as, so that it counts to that account and that
// account can read its own output. The folder is 0711, the service's:
// an account reaches its file by its name (which `status` gives), cannot
// list the others and cannot put anything there.
#ifndef SERVICE_TASK_OUTPUT_POSIX_H_
#define SERVICE_TASK_OUTPUT_POSIX_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "service/account-posix.h"

class TaskOutputs {
 public:
  static constexpr off_t kLimit = 64 * 1024;
  static constexpr const char* kFolderName = "output";

  // `folder` is the state folder ($XDG_STATE_HOME/jobwarden) open and
  // checked, `folder_path` its path (for Path); the object keeps `folder`,
  // unowned. Nothing is opened before the first Open.
  TaskOutputs(int folder, std::string folder_path, off_t limit = kLimit)
      : folder_(folder), folder_path_(std::move(folder_path)), limit_(limit) {}

  // The file of the task `task` of the task folder `folder_key`
  // (TaskStore::FolderKey): its name made safe, and a hash of both.
  static std::string FileName(const std::string& folder_key, const std::string& task);
  std::string Path(const std::string& folder_key, const std::string& task) const;

  // A new, empty file for this run in place of the last run's, write-only,
  // appending, close-on-exec: the child dup2s it onto 1 and 2.
  bool Open(const std::string& folder_key, const std::string& task, const Account& account,
            Descriptor* output, std::string* why);

  // After the run: keeps the last `limit` bytes, from the first whole line
  // in them when there is one.
  bool Trim(const std::string& folder_key, const std::string& task, std::string* why);

  // The last `count` lines of the task's output; none when it has none.
  std::vector<std::string> ReadTail(const std::string& folder_key, const std::string& task,
                                    size_t count);

 private:
  bool OpenFolder(std::string* why);

  int folder_;
  std::string folder_path_;
  off_t limit_;
  Descriptor output_folder_;
};

#endif  // SERVICE_TASK_OUTPUT_POSIX_H_

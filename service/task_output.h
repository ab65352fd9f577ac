// Each task's output, standard output and standard error of its most
// recent run, in a file of its own under the state folder's output/, in
// place of cron's mail: `status` says where it is and shows its end.
//
// The service opens the file before it forks the task's watcher
// (task_watcher.h), which relays the program's output into it: never more
// than kRunningLimit bytes of it while the program runs, its last kLimit
// bytes once it has ended, the end of the output in both.
//
// output/ is 0711, the service's. The output of a task that root's service
// runs as another account is in that account's own folder,
// output/<account>/, 0700 and the account's, where the account lists and
// reads its tasks' outputs and no one else can; the service creates,
// opens and reads the files there as that account (FileAccessAs), so that
// nothing the account plants there makes root write or read another file.
// The file is 0600 and belongs to the account it runs as.
#ifndef SERVICE_TASK_OUTPUT_H_
#define SERVICE_TASK_OUTPUT_H_

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "service/account.h"

class TaskOutputs {
 public:
  static constexpr off_t kLimit = 64 * 1024;
  static constexpr const char* kFolderName = "output";

  // `folder` is the state folder ($XDG_STATE_HOME/jobwarden) open and
  // checked, `folder_path` its path (for Path); the object keeps `folder`,
  // unowned. Nothing is opened before the first Open.
  TaskOutputs(int folder, std::string folder_path)
      : folder_(folder), folder_path_(std::move(folder_path)) {}

  // The file of the task `task` of the task folder `folder_key`
  // (TaskStore::FolderKey): its name made safe, and a hash of both.
  static std::string FileName(const std::string& folder_key, const std::string& task);
  // Where the file of the task run as `account` is.
  std::string Path(const std::string& folder_key, const std::string& task,
                   const Account& account) const;
  // The folder of the outputs of tasks run as `account`.
  std::string FolderPath(const Account& account) const;

  // A new, empty file for this run in place of the last run's, read-write,
  // close-on-exec, for the task's watcher (OutputFile).
  bool Open(const std::string& folder_key, const std::string& task, const Account& account,
            Descriptor* output, std::string* why);

  // The last `count` lines of the task's output; none when it has none.
  std::vector<std::string> ReadTail(const std::string& folder_key, const std::string& task,
                                    const Account& account, size_t count);

 private:
  bool OpenFolder(std::string* why);
  // The folder of `account`'s outputs, opened into `folder`; with
  // `create`, made when missing. Refused when it is not the account's.
  bool OpenAccountFolder(const Account& account, bool create, Descriptor* folder, std::string* why);

  int folder_;
  std::string folder_path_;
  Descriptor output_folder_;
};

// A task's output file as its watcher writes it, by descriptor, alone.
class OutputFile {
 public:
  static constexpr off_t kRunningLimit = 1024 * 1024;

  explicit OutputFile(int fd, off_t limit = TaskOutputs::kLimit,
                      off_t running_limit = kRunningLimit)
      : fd_(fd), limit_(limit), running_limit_(running_limit) {}

  // Appends what the program wrote; once the file would pass the running
  // limit, only its last `limit` bytes are kept. False, with the errno in
  // error(), when the file cannot take it (that output is lost).
  bool Append(std::string_view data);

  // After the run: keeps the last `limit` bytes.
  bool Finish();

  int error() const { return error_; }

 private:
  // Rewrites the file as the last `limit_` bytes of what it holds followed
  // by `more`, from the first whole line in them when there is one.
  bool KeepEnd(std::string_view more);
  bool Failed();

  int fd_;
  off_t limit_, running_limit_;
  off_t size_ = 0;
  int error_ = 0;
};

#endif  // SERVICE_TASK_OUTPUT_H_

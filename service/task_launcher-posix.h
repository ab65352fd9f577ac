// Starts tasks' programs and waits for their ends: no shell, the program
// looked up in the task's PATH when its name has no "/", in the working
// directory (else the account's home), under the account, with the
// account's environment (account-posix.h), standard input from
// /dev/null and its output where the request says. A home that
// does not exist (nobody's /nonexistent) leaves the program in "/"; a
// working directory that does not exist keeps it from starting. A program
// that runs past its time limit is ended, its whole process group: SIGTERM,
// then SIGKILL after a grace period.
#ifndef SERVICE_TASK_LAUNCHER_POSIX_H_
#define SERVICE_TASK_LAUNCHER_POSIX_H_

#include <signal.h>
#include <windows.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "service/account-posix.h"
#include "service/child_process-posix.h"

struct LaunchRequest {
  std::string program;
  std::vector<std::string> arguments;  // after the program's name
  std::string working_directory;       // empty: the account's home
  Account account;
  std::optional<std::chrono::milliseconds> time_limit;
  // Its standard output and error (task_output-posix.h); -1 keeps the
  // service's own.
  int output = -1;
};

struct StartOutcome {
  bool started = false;
  int id = -1;  // names the task in WaitForEnds' answers
  pid_t pid = 0;
  // When the service had no descriptor or process for it (the machine's
  // fault, not the task's): the HRESULT of the reason, and what failed.
  DWORD exit_code = 0;
  std::string failure;
  bool out_of_resources = false;
};

struct TaskEnd {
  int id = -1;
  // Whether the program ran: a process was started, but a step before the
  // program (the account, the working directory, the program itself) may
  // have failed. Then `exit_code` is the HRESULT of the reason and
  // `failure` says which step.
  bool started = true;
  // The program's exit status, or 128 + the signal that ended it.
  DWORD exit_code = 0;
  bool timed_out = false;
  std::string failure;
};

// Starts tasks and watches them all until they end: one wait for every
// task of the minute, so that a long one holds up no other's record.
class TaskLauncher {
 public:
  virtual ~TaskLauncher() = default;

  // Starts the program in a process group of its own, without waiting for
  // it to get as far as the program: a step that fails there is answered
  // by WaitForEnds. It inherits `lock_fd` (the task's run lock, so that the
  // lock lives as long as the task does), and no other descriptor of the
  // service's but its output.
  virtual StartOutcome Start(const LaunchRequest& request, int lock_fd) = 0;

  // The started tasks that have ended, waiting at most `wait` for the first
  // one; tasks past their time limit are ended meanwhile.
  virtual std::vector<TaskEnd> WaitForEnds(std::chrono::milliseconds wait) = 0;

  // How many started tasks have not been answered as ended yet.
  virtual size_t running() const = 0;
};

class ProcessLauncher : public TaskLauncher {
 public:
  // Blocks SIGCHLD in this thread, for as long as it lives, to wait for it.
  explicit ProcessLauncher(std::chrono::milliseconds grace = std::chrono::seconds(5));
  ~ProcessLauncher() override;
  ProcessLauncher(const ProcessLauncher&) = delete;
  ProcessLauncher& operator=(const ProcessLauncher&) = delete;

  StartOutcome Start(const LaunchRequest& request, int lock_fd) override;
  std::vector<TaskEnd> WaitForEnds(std::chrono::milliseconds wait) override;
  size_t running() const override { return children_.size(); }

 private:
  struct Child {
    pid_t pid;
    std::chrono::steady_clock::time_point deadline;  // of the time limit, then of the grace
    bool timed_out = false;
    LaunchRequest request;  // to tell why it did not start
  };
  // The children's reports of steps that failed before their programs ran:
  // one pipe for all, each report written at once (less than PIPE_BUF).
  bool OpenReports();
  void ReadReports();
  std::vector<TaskEnd> Reap();
  // SIGTERM to the groups past their limit, SIGKILL to those past their
  // grace; the next deadline.
  std::chrono::steady_clock::time_point EndOverdue();

  std::chrono::milliseconds grace_;
  std::map<int, Child> children_;
  int next_id_ = 0;
  Descriptor report_read_, report_write_;
  std::map<pid_t, ChildFailure> failures_;
  sigset_t previous_mask_;
};

#endif  // SERVICE_TASK_LAUNCHER_POSIX_H_

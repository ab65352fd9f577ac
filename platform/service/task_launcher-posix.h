// Starts a task's program and waits for its end: no shell, the program
// looked up in the task's PATH when its name has no "/", in the working
// directory (else the account's home), under the account, with the
// account's environment (task_environment-posix.h), standard input from
// /dev/null and the service's own output (where cron sends it). A home that
// does not exist (nobody's /nonexistent) leaves the program in "/"; a
// working directory that does not exist keeps it from starting. A program
// that runs past its time limit is ended, its whole process group: SIGTERM,
// then SIGKILL after a grace period.
#ifndef PLATFORM_SERVICE_TASK_LAUNCHER_POSIX_H_
#define PLATFORM_SERVICE_TASK_LAUNCHER_POSIX_H_

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/service/account-posix.h"

struct LaunchRequest {
  std::string program;
  std::vector<std::string> arguments;  // after the program's name
  std::string working_directory;       // empty: the account's home
  Account account;
  std::optional<std::chrono::milliseconds> time_limit;
};

struct LaunchOutcome {
  bool started = false;
  // The program's exit status, 128 + the signal that ended it, or, when it
  // could not be started, the HRESULT of the reason.
  DWORD exit_code = 0;
  bool timed_out = false;
  // When it could not be started: the step that failed.
  std::string failure;
};

class TaskLauncher {
 public:
  virtual ~TaskLauncher() = default;
  virtual LaunchOutcome Run(const LaunchRequest& request) = 0;
};

class ProcessLauncher : public TaskLauncher {
 public:
  explicit ProcessLauncher(std::chrono::milliseconds grace = std::chrono::seconds(5))
      : grace_(grace) {}
  LaunchOutcome Run(const LaunchRequest& request) override;

 private:
  std::chrono::milliseconds grace_;
};

#endif  // PLATFORM_SERVICE_TASK_LAUNCHER_POSIX_H_

#include "platform/service/task_launcher-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/posix/descriptor-posix.h"
#include "platform/posix/hresult_from_errno-posix.h"
#include "platform/service/task_environment-posix.h"

extern char** environ;

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The steps in the child before the program runs, as the child reports
// the one that failed.
enum Step : int { kInput, kAccount, kFolder, kProgram };

struct StartFailure {
  int step;
  int error;
};

// In the child: tells the parent why the program could not start, and ends.
[[noreturn]] void FailStart(int report_fd, Step step, int error) {
  const StartFailure failure{step, error};
  ssize_t ignored = write(report_fd, &failure, sizeof(failure));
  (void)ignored;
  _exit(127);
}

std::string Describe(const LaunchRequest& request, const StartFailure& failure) {
  std::string text;
  switch (failure.step) {
    case kInput:
      text = "cannot open /dev/null";
      break;
    case kAccount:
      text = "cannot switch to the account " + request.account.name;
      break;
    case kFolder:
      text = "cannot enter the working directory " + request.working_directory;
      break;
    default:
      text = "cannot start " + request.program;
      break;
  }
  return text + ": " + std::strerror(failure.error);
}

[[noreturn]] void StartProgram(const LaunchRequest& request, TaskEnvironment* environment,
                               int report_fd) {
  setpgid(0, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);
  const int null_input = open("/dev/null", O_RDONLY);
  if (null_input < 0 || dup2(null_input, 0) < 0)
    FailStart(report_fd, kInput, errno);
  if (null_input > 0)
    close(null_input);

  const Account& account = request.account;
  if (account.switch_user) {
    if (initgroups(account.name.c_str(), account.gid) != 0 || setgid(account.gid) != 0 ||
        setuid(account.uid) != 0)
      FailStart(report_fd, kAccount, errno);
  }
  if (!request.working_directory.empty()) {
    if (chdir(request.working_directory.c_str()) != 0)
      FailStart(report_fd, kFolder, errno);
  } else if (account.home.empty() || chdir(account.home.c_str()) != 0) {
    if (chdir("/") != 0)
      FailStart(report_fd, kFolder, errno);
    environment->StartInRoot();
  }

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(request.program.c_str()));
  for (const std::string& argument : request.arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  // execvp looks the program up in the PATH of `environ`: the task's.
  environ = environment->variables();
  execvp(argv[0], argv.data());
  FailStart(report_fd, kProgram, errno);
}

bool Reap(pid_t child, int* status, bool block) {
  for (;;) {
    const pid_t done = waitpid(child, status, block ? 0 : WNOHANG);
    if (done == child)
      return true;
    if (done < 0 && errno == EINTR)
      continue;
    return false;
  }
}

void Pause() {
  const timespec tenth = {0, 100 * 1000 * 1000};
  nanosleep(&tenth, nullptr);
}

// Waits until `deadline`; true when the child ended by then.
bool ReapBy(pid_t child, int* status, steady_clock::time_point deadline) {
  while (steady_clock::now() < deadline) {
    if (Reap(child, status, false))
      return true;
    Pause();
  }
  return Reap(child, status, false);
}

DWORD ExitCodeOf(int status) {
  if (WIFEXITED(status))
    return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status))
    return static_cast<DWORD>(128 + WTERMSIG(status));
  return 0;
}

}  // namespace

LaunchOutcome ProcessLauncher::Run(const LaunchRequest& request) {
  LaunchOutcome outcome;
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    outcome.exit_code = static_cast<DWORD>(HresultFromErrno(errno));
    return outcome;
  }
  Descriptor report_read(report[0]), report_write(report[1]);
  TaskEnvironment environment(request.account, request.working_directory.empty()
                                                   ? request.account.home
                                                   : request.working_directory);
  const pid_t child = fork();
  if (child < 0) {
    outcome.exit_code = static_cast<DWORD>(HresultFromErrno(errno));
    return outcome;
  }
  if (child == 0)
    StartProgram(request, &environment, report_write.get());
  setpgid(child, child);  // also here: the group must exist before a kill
  report_write.Reset(-1);

  StartFailure failure = {};
  ssize_t got;
  do {
    got = read(report_read.get(), &failure, sizeof(failure));
  } while (got < 0 && errno == EINTR);
  int status = 0;
  if (got == static_cast<ssize_t>(sizeof(failure))) {
    Reap(child, &status, true);
    outcome.exit_code = static_cast<DWORD>(HresultFromErrno(failure.error));
    outcome.failure = Describe(request, failure);
    return outcome;
  }
  outcome.started = true;

  if (!request.time_limit) {
    Reap(child, &status, true);
  } else if (!ReapBy(child, &status, steady_clock::now() + *request.time_limit)) {
    outcome.timed_out = true;
    kill(-child, SIGTERM);
    if (!ReapBy(child, &status, steady_clock::now() + grace_)) {
      kill(-child, SIGKILL);
      Reap(child, &status, true);
    }
  }
  outcome.exit_code = ExitCodeOf(status);
  return outcome;
}

#include "service/task_launcher-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/posix/descriptor-posix.h"
#include "platform/posix/hresult_from_errno-posix.h"
#include "service/task_environment-posix.h"

extern char** environ;

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The steps in the child before the program runs, as the child reports
// the one that failed.
enum Step : int { kInput, kAccount, kFolder, kProgram };

// In the child: tells the parent why the program could not start, and ends.
[[noreturn]] void FailStart(int report_fd, Step step, int error) {
  const int failure[3] = {static_cast<int>(getpid()), step, error};
  ssize_t ignored = write(report_fd, failure, sizeof(failure));
  (void)ignored;
  _exit(127);
}

std::string Describe(const LaunchRequest& request, int step, int error) {
  std::string text;
  switch (step) {
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
  return text + ": " + std::strerror(error);
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

bool ReapChild(pid_t child, int* status) {
  for (;;) {
    const pid_t done = waitpid(child, status, WNOHANG);
    if (done == child)
      return true;
    if (done < 0 && errno == EINTR)
      continue;
    return false;
  }
}

DWORD ExitCodeOf(int status) {
  if (WIFEXITED(status))
    return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status))
    return static_cast<DWORD>(128 + WTERMSIG(status));
  return 0;
}

}  // namespace

ProcessLauncher::ProcessLauncher(milliseconds grace) : grace_(grace) {
  sigset_t child_ended;
  sigemptyset(&child_ended);
  sigaddset(&child_ended, SIGCHLD);
  pthread_sigmask(SIG_BLOCK, &child_ended, &previous_mask_);
}

ProcessLauncher::~ProcessLauncher() { pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr); }

HRESULT ProcessLauncher::OpenReports() {
  if (report_read_.get() >= 0)
    return S_OK;
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0)
    return HresultFromErrno(errno);
  report_read_.Reset(report[0]);
  report_write_.Reset(report[1]);
  fcntl(report[0], F_SETFL, O_NONBLOCK);
  return S_OK;
}

// Read often enough that the pipe never fills: a child blocked writing its
// report would never end.
void ProcessLauncher::ReadReports() {
  if (report_read_.get() < 0)
    return;
  int report[3];
  for (;;) {
    const ssize_t got = read(report_read_.get(), report, sizeof(report));
    if (got < 0 && errno == EINTR)
      continue;
    if (got != static_cast<ssize_t>(sizeof(report)))
      return;
    failures_[report[0]] = StartFailure{report[0], report[1], report[2]};
  }
}

// Does not wait for the child's exec: the next task's fork goes on while
// this one's process gets ready on the other core.
StartOutcome ProcessLauncher::Start(const LaunchRequest& request, int lock_fd) {
  StartOutcome outcome;
  ReadReports();
  const HRESULT reports = OpenReports();
  if (FAILED(reports)) {
    outcome.exit_code = static_cast<DWORD>(reports);
    outcome.failure = std::string("cannot start a process: ") + std::strerror(errno);
    outcome.out_of_resources = true;
    return outcome;
  }
  TaskEnvironment environment(request.account, request.working_directory.empty()
                                                   ? request.account.home
                                                   : request.working_directory);
  const pid_t child = fork();
  if (child < 0) {
    outcome.exit_code = static_cast<DWORD>(HresultFromErrno(errno));
    outcome.failure = std::string("cannot start a process: ") + std::strerror(errno);
    outcome.out_of_resources = true;
    return outcome;
  }
  if (child == 0) {
    if (lock_fd >= 0)
      fcntl(lock_fd, F_SETFD, 0);
    StartProgram(request, &environment, report_write_.get());
  }
  setpgid(child, child);  // also here: the group must exist before a kill
  outcome.started = true;
  outcome.id = next_id_++;
  const auto now = steady_clock::now();
  children_[outcome.id] =
      Child{child, request.time_limit ? now + *request.time_limit : steady_clock::time_point::max(),
            false, request};
  return outcome;
}

std::vector<TaskEnd> ProcessLauncher::Reap() {
  std::vector<TaskEnd> ends;
  std::vector<Child> reaped;
  for (auto it = children_.begin(); it != children_.end();) {
    int status = 0;
    if (!ReapChild(it->second.pid, &status)) {
      ++it;
      continue;
    }
    ends.push_back(TaskEnd{it->first, true, ExitCodeOf(status), it->second.timed_out, ""});
    reaped.push_back(std::move(it->second));
    it = children_.erase(it);
  }
  // A child writes its report before it ends: those of the children just
  // reaped are in the pipe now.
  ReadReports();
  for (size_t i = 0; i < ends.size(); ++i) {
    auto failed = failures_.find(reaped[i].pid);
    if (failed == failures_.end())
      continue;
    ends[i].started = false;
    ends[i].exit_code = static_cast<DWORD>(HresultFromErrno(failed->second.error));
    ends[i].failure = Describe(reaped[i].request, failed->second.step, failed->second.error);
    failures_.erase(failed);
  }
  return ends;
}

steady_clock::time_point ProcessLauncher::EndOverdue() {
  const auto now = steady_clock::now();
  auto next = steady_clock::time_point::max();
  for (auto& [id, child] : children_) {
    if (child.deadline <= now) {
      if (!child.timed_out) {
        child.timed_out = true;
        kill(-child.pid, SIGTERM);
        child.deadline = now + grace_;
      } else {
        kill(-child.pid, SIGKILL);
        child.deadline = steady_clock::time_point::max();
      }
    }
    next = std::min(next, child.deadline);
  }
  return next;
}

std::vector<TaskEnd> ProcessLauncher::WaitForEnds(milliseconds wait) {
  const auto until = steady_clock::now() + wait;
  sigset_t child_ended;
  sigemptyset(&child_ended);
  sigaddset(&child_ended, SIGCHLD);
  for (;;) {
    std::vector<TaskEnd> ends = Reap();
    if (!ends.empty() || children_.empty())
      return ends;
    const auto next = std::min(until, EndOverdue());
    const auto now = steady_clock::now();
    if (now >= until)
      return ends;
    // SIGCHLD stays blocked, so one that came since the reap is pending
    // and ends this wait at once.
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::max(next - now, steady_clock::duration::zero()));
    timespec timeout = {static_cast<time_t>(left.count() / 1000000000),
                        static_cast<long>(left.count() % 1000000000)};
    sigtimedwait(&child_ended, nullptr, &timeout);
  }
}

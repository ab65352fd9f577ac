#include "service/task_launcher-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/posix/descriptor-posix.h"
#include "platform/posix/hresult_from_errno-posix.h"
#include "service/child_process-posix.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::string Describe(const LaunchRequest& request, int step, int error) {
  std::string text;
  switch (step) {
    case kStandardStreams:
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

}  // namespace

ProcessLauncher::ProcessLauncher(milliseconds grace) : grace_(grace) {
  sigset_t child_ended;
  sigemptyset(&child_ended);
  sigaddset(&child_ended, SIGCHLD);
  pthread_sigmask(SIG_BLOCK, &child_ended, &previous_mask_);
}

ProcessLauncher::~ProcessLauncher() { pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr); }

bool ProcessLauncher::OpenReports() {
  if (report_read_.get() >= 0)
    return true;
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0)
    return false;
  report_read_.Reset(report[0]);
  report_write_.Reset(report[1]);
  fcntl(report[0], F_SETFL, O_NONBLOCK);
  return true;
}

// Read often enough that the pipe never fills: a child blocked writing its
// report would never end.
void ProcessLauncher::ReadReports() {
  if (report_read_.get() < 0)
    return;
  ChildFailure failure;
  while (ReadChildFailure(report_read_.get(), &failure))
    failures_[failure.pid] = failure;
}

// Does not wait for the child's exec: the next task's fork goes on while
// this one's process gets ready on the other core.
StartOutcome ProcessLauncher::Start(const LaunchRequest& request, int lock_fd) {
  StartOutcome outcome;
  ReadReports();
  if (!OpenReports()) {
    outcome.exit_code = static_cast<DWORD>(HresultFromErrno(errno));
    outcome.failure = std::string("cannot start a process: ") + std::strerror(errno);
    outcome.out_of_resources = true;
    return outcome;
  }
  TaskEnvironment environment(request.account, request.working_directory.empty()
                                                   ? request.account.home
                                                   : request.working_directory);
  ChildSetup setup;
  setup.program = request.program;
  setup.arguments = request.arguments;
  setup.inherited = lock_fd;
  setup.output = setup.error_output = request.output;
  setup.own_group = true;
  setup.account = &request.account;
  setup.working_directory = request.working_directory;
  setup.start_in_home = true;
  setup.environment = &environment;
  const pid_t child = StartChild(setup, report_write_.get());
  if (child < 0) {
    outcome.exit_code = static_cast<DWORD>(HresultFromErrno(errno));
    outcome.failure = std::string("cannot start a process: ") + std::strerror(errno);
    outcome.out_of_resources = true;
    return outcome;
  }
  outcome.started = true;
  outcome.id = next_id_++;
  outcome.pid = child;
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
    if (!ReapChild(it->second.pid, &status, false)) {
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
    // A working directory that cannot be entered is told apart from a
    // program that is not there, which the same errno could mean.
    ends[i].exit_code = failed->second.step == kFolder
                            ? static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_DIRECTORY))
                            : static_cast<DWORD>(HresultFromErrno(failed->second.error));
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

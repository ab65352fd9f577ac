#include "service/task_launcher.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/posix/hresult_from_errno-posix.h"
#include "service/child_process.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::string Describe(const Program& program, int step, int error) {
  std::string text;
  switch (step) {
    case kStandardStreams:
      text = "cannot open /dev/null";
      break;
    case kAccount:
      text = "cannot switch to the account " + program.account.name;
      break;
    case kFolder:
      text = "cannot enter the working directory " + program.working_directory;
      break;
    default:
      text = "cannot start " + program.path;
      break;
  }
  return text + ": " + std::strerror(error);
}

std::string NoProcessText(int error) {
  return std::string("cannot start a process: ") + std::strerror(error);
}

}  // namespace

ProcessLauncher::ProcessLauncher(bool interruptible, milliseconds grace) : grace_(grace) {
  sigemptyset(&waited_);
  sigaddset(&waited_, SIGCHLD);
  if (interruptible) {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
      sigaddset(&waited_, signal_number);
  }
  pthread_sigmask(SIG_BLOCK, &waited_, &previous_mask_);
  // A burst holds a run lock per task until its end is recorded.
  if (getrlimit(RLIMIT_NOFILE, &descriptor_limit_) == 0 &&
      descriptor_limit_.rlim_cur < descriptor_limit_.rlim_max) {
    rlimit raised = descriptor_limit_;
    raised.rlim_cur = raised.rlim_max;
    setrlimit(RLIMIT_NOFILE, &raised);
  }
}

ProcessLauncher::~ProcessLauncher() {
  if (descriptor_limit_.rlim_cur != 0)
    setrlimit(RLIMIT_NOFILE, &descriptor_limit_);
  pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
}

bool ProcessLauncher::OpenReports() {
  if (report_read_.get() >= 0)
    return true;
  if (!MakePipe(&report_read_, &report_write_))
    return false;
  fcntl(report_read_.get(), F_SETFL, O_NONBLOCK);
  return true;
}

// Does not wait for the program's exec: the next task's fork goes on while
// this one's watcher starts its program on the other core.
StartOutcome ProcessLauncher::Start(const LaunchRequest& request) {
  StartOutcome outcome;
  const int id = next_id_++;
  const pid_t watcher = OpenReports() ? fork() : -1;
  if (watcher == 0)
    WatchTask(WatchedTask{&request, id, report_write_.get(), grace_, descriptor_limit_});
  if (watcher < 0) {
    outcome.exit_code = static_cast<DWORD>(HresultFromErrno(errno));
    outcome.failure = NoProcessText(errno);
    return outcome;
  }
  outcome.started = true;
  outcome.id = id;
  watched_[id] = Watched{watcher, request.program};
  ++running_;
  if (interrupted_)
    kill(watcher, SIGTERM);
  return outcome;
}

TaskNews ProcessLauncher::NewsOf(const WatcherReport& report) {
  TaskNews news;
  news.id = report.id;
  news.outcome = report.outcome;
  news.pid = report.pid;
  news.exit_code = report.exit_code;
  const Watched& watched = watched_[report.id];
  if (report.outcome == RunOutcome::kNotStarted)
    news.failure = Describe(watched.program, report.step, report.error);
  else if (report.outcome == RunOutcome::kNoProcess)
    news.failure = NoProcessText(report.error);
  if (report.output_error)
    news.output_failure = std::strerror(report.output_error);
  return news;
}

// Read often enough that the pipe never fills: a watcher waiting to write
// would never end.
void ProcessLauncher::ReadReports(std::vector<TaskNews>* news) {
  WatcherReport report;
  while (report_read_.get() >= 0 && ReadWatcherReport(report_read_.get(), &report)) {
    auto watched = watched_.find(report.id);
    if (watched == watched_.end() || watched->second.told_end)
      continue;
    news->push_back(NewsOf(report));
    if (news->back().ended()) {
      watched->second.told_end = true;
      --running_;
    }
  }
}

// A watcher writes its end before it ends, so what a reaped one did not
// tell, it never will: it was killed, and its program's end is unknown.
void ProcessLauncher::Reap(std::vector<TaskNews>* news) {
  std::vector<int> reaped;
  for (auto& [id, watched] : watched_) {
    int status = 0;
    if (!watched.reaped && ReapChild(watched.watcher, &status, false)) {
      watched.reaped = true;
      reaped.push_back(id);
    }
  }
  ReadReports(news);
  for (int id : reaped) {
    Watched& watched = watched_[id];
    if (!watched.told_end) {
      TaskNews unseen;
      unseen.id = id;
      unseen.outcome = RunOutcome::kUnseen;
      news->push_back(unseen);
      watched.told_end = true;
      --running_;
    }
  }
  std::erase_if(watched_,
                [](const auto& entry) { return entry.second.told_end && entry.second.reaped; });
}

void ProcessLauncher::AskToEnd() {
  interrupted_ = true;
  for (const auto& [id, watched] : watched_) {
    if (!watched.reaped)
      kill(watched.watcher, SIGTERM);
  }
}

std::vector<TaskNews> ProcessLauncher::WaitForNews(milliseconds wait) {
  const auto until = steady_clock::now() + wait;
  for (;;) {
    std::vector<TaskNews> news;
    Reap(&news);
    const auto now = steady_clock::now();
    if (!news.empty() || watched_.empty() || now >= until)
      return news;
    // The signals stay blocked, so one that came since the reap is pending
    // and ends this wait at once.
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now);
    timespec timeout = {static_cast<time_t>(left.count() / 1000000000),
                        static_cast<long>(left.count() % 1000000000)};
    const int signal_number = sigtimedwait(&waited_, nullptr, &timeout);
    if (signal_number > 0 && signal_number != SIGCHLD)
      AskToEnd();
  }
}

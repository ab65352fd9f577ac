#include "service/task_watcher.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "platform/posix/descriptor-posix.h"
#include "platform/posix/hresult_from_errno-posix.h"
#include "service/child_process.h"
#include "service/power_supply.h"
#include "service/status_codes.h"
#include "service/task_output.h"

namespace {

using std::chrono::steady_clock;

// Read at most this much of the program's output once it has ended: a
// child it left writing must not keep the watcher.
constexpr size_t kLastOutput = 1024 * 1024;

// How often a task ended on batteries looks at the machine's power.
constexpr std::chrono::seconds kPowerCheck{5};

// Closes every descriptor but `keep` (each above 2).
void CloseAllBut(std::vector<int> keep) {
  keep.erase(std::remove(keep.begin(), keep.end(), -1), keep.end());
  std::sort(keep.begin(), keep.end());
  unsigned first = 3;
  bool closed = true;
  for (int fd : keep) {
    if (static_cast<unsigned>(fd) > first)
      closed = closed && close_range(first, static_cast<unsigned>(fd) - 1, 0) == 0;
    first = static_cast<unsigned>(fd) + 1;
  }
  closed = closed && close_range(first, ~0U, 0) == 0;
  if (closed)
    return;
  // Kernels before close_range: the open ones, as the kernel lists them.
  std::vector<int> open;
  if (DIR* listing = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(listing)) {
      const int fd = std::atoi(entry->d_name);
      if (fd > 2 && fd != dirfd(listing) && !std::binary_search(keep.begin(), keep.end(), fd))
        open.push_back(fd);
    }
    closedir(listing);
  }
  for (int fd : open)
    close(fd);
}

class Watcher {
 public:
  explicit Watcher(const WatchedTask& task)
      : request_(*task.request), id_(task.id), grace_(task.grace) {
    Detach(task);
  }

  void Run() {
    Descriptor output_write, failure_read, failure_write;
    if (!MakePipe(&output_read_, &output_write) || !MakePipe(&failure_read, &failure_write))
      return NoProcess(errno);
    const Program& program = request_.program;
    TaskEnvironment environment(program.account, program.working_directory.empty()
                                                     ? program.account.home
                                                     : program.working_directory);
    ChildSetup setup;
    setup.program = program;
    setup.output = setup.error_output = output_write.get();
    setup.own_session = true;
    setup.start_in_home = true;
    setup.environment = &environment;
    pid_ = StartChild(setup, failure_write.get());
    if (pid_ < 0)
      return NoProcess(errno);
    output_write.Reset(-1);
    failure_write.Reset(-1);
    Note(RunNote::State::kRunning, 0);
    WatcherReport started;
    started.outcome = RunOutcome::kStarted;
    started.pid = pid_;
    Report(started);

    if (request_.time_limit)
      deadline_ = steady_clock::now() + *request_.time_limit;
    const int status = WaitForTheProgram();
    RelayLastOutput();
    if (!output_.Finish())
      output_error_ = output_.error();
    Ended(status, failure_read.get());
  }

 private:
  // Apart from the service's caller: no terminal, no descriptor but its
  // own, no signal from the caller's terminal, the service's limits put
  // back.
  void Detach(const WatchedTask& task) {
    setsid();
    lock_ = AboveStandardStreams(request_.lock);
    output_fd_ = AboveStandardStreams(request_.output);
    report_ = AboveStandardStreams(task.report_fd);
    CloseAllBut({lock_, output_fd_, report_});
    const int null = open("/dev/null", O_RDWR | O_NOCTTY);
    for (int fd = 0; fd < 3 && null >= 0; ++fd)
      dup2(null, fd);
    if (null > 2)
      close(null);
    if (task.descriptor_limit.rlim_cur != 0)
      setrlimit(RLIMIT_NOFILE, &task.descriptor_limit);
    signal(SIGPIPE, SIG_IGN);
    sigset_t watched;
    sigemptyset(&watched);
    for (int signal_number : {SIGCHLD, SIGTERM, SIGINT, SIGHUP})
      sigaddset(&watched, signal_number);
    sigprocmask(SIG_BLOCK, &watched, nullptr);
    signals_.Reset(signalfd(-1, &watched, SFD_CLOEXEC | SFD_NONBLOCK));
    output_ = OutputFile(output_fd_);
  }

  // The program's whole process group; the program itself while it has not
  // made its session yet.
  void Signal(int signal_number) {
    if (kill(-pid_, signal_number) != 0)
      kill(pid_, signal_number);
  }

  // Starts ending the program: SIGTERM now, SIGKILL after the grace.
  void EndTheProgram() {
    if (ending_)
      return;
    ending_ = true;
    Signal(SIGTERM);
    deadline_ = steady_clock::now() + grace_;
  }

  void Relay(const char* data, size_t size) {
    if (output_fd_ >= 0 && !output_.Append(std::string_view(data, size)) && output_error_ == 0)
      output_error_ = output_.error();
  }

  // Relays the program's output until the program ends; its wait status.
  int WaitForTheProgram() {
    char buffer[65536];
    for (;;) {
      int status = 0;
      if (ReapChild(pid_, &status, false))
        return status;
      if (deadline_ && steady_clock::now() >= *deadline_) {
        if (!ending_) {
          timed_out_ = true;
          EndTheProgram();
        } else {
          Signal(SIGKILL);
          deadline_.reset();
        }
      }
      CheckPower();
      int timeout = -1;
      for (const auto& next : {deadline_, next_power_check_}) {
        if (!next)
          continue;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - steady_clock::now());
        const int wait = static_cast<int>(std::clamp<long long>(left.count(), 0, 60000));
        timeout = timeout < 0 ? wait : std::min(timeout, wait);
      }
      // Without a signalfd (none to be had) the end is looked for often.
      if (signals_.get() < 0)
        timeout = timeout < 0 ? 100 : std::min(timeout, 100);
      pollfd watched[2] = {{output_read_.get(), POLLIN, 0}, {signals_.get(), POLLIN, 0}};
      if (poll(watched, 2, timeout) < 0 && errno != EINTR)
        continue;
      if (watched[0].revents) {
        const ssize_t got = read(output_read_.get(), buffer, sizeof(buffer));
        if (got > 0)
          Relay(buffer, static_cast<size_t>(got));
        else if (got == 0 || errno != EINTR)
          output_read_.Reset(-1);  // every writer gone; the end comes as SIGCHLD
      }
      if (watched[1].revents)
        TakeSignals();
    }
  }

  // A task ended on batteries: the machine's power, every kPowerCheck.
  // It is ended when the machine goes on batteries; one started on them
  // (it may be) runs on until the mains come back and go again.
  void CheckPower() {
    if (request_.power_supplies.empty() || ending_)
      return;
    const auto now = steady_clock::now();
    if (next_power_check_ && now < *next_power_check_)
      return;
    const bool first = !next_power_check_;
    next_power_check_ = now + kPowerCheck;
    const bool on_batteries = OnBatteries(request_.power_supplies);
    const bool went = on_batteries && !first && !was_on_batteries_;
    was_on_batteries_ = on_batteries;
    if (!went)
      return;
    on_batteries_ = true;
    next_power_check_.reset();
    EndTheProgram();
  }

  void TakeSignals() {
    signalfd_siginfo info;
    while (read(signals_.get(), &info, sizeof(info)) == static_cast<ssize_t>(sizeof(info))) {
      if (info.ssi_signo != SIGCHLD) {
        interrupted_ = interrupted_ || !(timed_out_ || on_batteries_);
        EndTheProgram();
      }
    }
  }

  // What the program wrote before its end and is still in the pipe; then
  // the pipe is closed, so that a child it left writes nowhere.
  void RelayLastOutput() {
    if (output_read_.get() < 0)
      return;
    fcntl(output_read_.get(), F_SETFL, O_NONBLOCK);
    char buffer[65536];
    for (size_t relayed = 0; relayed < kLastOutput;) {
      const ssize_t got = read(output_read_.get(), buffer, sizeof(buffer));
      if (got <= 0)
        break;
      Relay(buffer, static_cast<size_t>(got));
      relayed += static_cast<size_t>(got);
    }
    output_read_.Reset(-1);
  }

  void Ended(int status, int failure_fd) {
    WatcherReport end;
    end.exit_code = ExitCodeOf(status);
    end.outcome = interrupted_    ? RunOutcome::kInterrupted
                  : timed_out_    ? RunOutcome::kTimedOut
                  : on_batteries_ ? RunOutcome::kOnBatteries
                                  : RunOutcome::kFinished;
    ChildFailure failure;
    if (ReadChildFailure(failure_fd, &failure)) {
      end.outcome = RunOutcome::kNotStarted;
      end.step = failure.step;
      end.error = failure.error;
      // A working directory that cannot be entered is told apart from a
      // program that is not there, which the same errno could mean.
      end.exit_code = failure.step == kFolder
                          ? static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_DIRECTORY))
                          : static_cast<DWORD>(HresultFromErrno(failure.error));
    }
    Finish(end);
  }

  void NoProcess(int error) {
    WatcherReport end;
    end.outcome = RunOutcome::kNoProcess;
    end.error = error;
    end.exit_code = static_cast<DWORD>(HresultFromErrno(error));
    Finish(end);
  }

  void Finish(const WatcherReport& end) {
    Note(RunNote::State::kEnded, ExitCodeToRecord(end.outcome, end.exit_code));
    Report(end);
  }

  void Note(RunNote::State state, DWORD recorded) {
    if (lock_ < 0)
      return;
    RunNote note = request_.note;
    note.state = state;
    note.exit_code = recorded;
    WriteRunNote(lock_, note);
  }

  // Blocks while the pipe is full: run-due reads it as it waits. With
  // run-due gone the write fails, and the note has it.
  void Report(WatcherReport report) {
    report.id = id_;
    report.output_error = output_error_;
    ssize_t written;
    do {
      written = write(report_, &report, sizeof(report));
    } while (written < 0 && errno == EINTR);
  }

  const LaunchRequest& request_;
  const int id_;
  const std::chrono::milliseconds grace_;
  int lock_ = -1, output_fd_ = -1, report_ = -1;
  Descriptor signals_, output_read_;
  OutputFile output_{-1};
  pid_t pid_ = -1;
  std::optional<steady_clock::time_point> deadline_, next_power_check_;
  bool ending_ = false, timed_out_ = false, interrupted_ = false, on_batteries_ = false,
       was_on_batteries_ = false;
  int output_error_ = 0;
};

}  // namespace

DWORD ExitCodeToRecord(RunOutcome outcome, DWORD exit_code) {
  switch (outcome) {
    case RunOutcome::kTimedOut:
    case RunOutcome::kOnBatteries:
      return SCHED_S_TASK_TERMINATED;
    case RunOutcome::kInterrupted:
      return kRunInterrupted;
    case RunOutcome::kUnseen:
      return kRunEndNotSeen;
    default:
      return exit_code;
  }
}

void WatchTask(const WatchedTask& task) {
  Watcher(task).Run();
  _exit(0);
}

bool ReadWatcherReport(int fd, WatcherReport* report) {
  for (;;) {
    const ssize_t got = read(fd, report, sizeof(*report));
    if (got < 0 && errno == EINTR)
      continue;
    return got == static_cast<ssize_t>(sizeof(*report));
  }
}

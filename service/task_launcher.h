// Starts tasks and learns what becomes of them: each task runs under a
// watcher of its own (task_watcher.h), which starts the program (no shell,
// the program looked up in the task's PATH when its name has no "/", in
// the working directory, else the account's home, under the account, with
// the account's environment, input from /dev/null) and tells how it went.
#ifndef SERVICE_TASK_LAUNCHER_H_
#define SERVICE_TASK_LAUNCHER_H_

#include <signal.h>
#include <sys/resource.h>
#include <windows.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "service/task_watcher.h"

struct StartOutcome {
  bool started = false;
  int id = -1;  // names the task in WaitForNews' answers
  // When the service had no process for its watcher (the machine's fault,
  // not the task's): the HRESULT of the reason, and what failed.
  DWORD exit_code = 0;
  std::string failure;
};

// What became of a started task: its program started, then its end.
struct TaskNews {
  int id = -1;
  RunOutcome outcome = RunOutcome::kFinished;
  pid_t pid = 0;               // kStarted: the program's process
  DWORD exit_code = 0;         // its exit status (or 128 + signal), else the HRESULT of the reason
  std::string failure;         // kNotStarted, kNoProcess: what failed
  std::string output_failure;  // why some of its output was lost, when it was
  bool ended() const { return outcome != RunOutcome::kStarted; }
};

// Starts tasks and watches them all until they end: one wait for every
// task of the minute, so that a long one holds up no other's record.
class TaskLauncher {
 public:
  virtual ~TaskLauncher() = default;

  // Starts the task's watcher, without waiting for the program's start:
  // that, and a step that fails before the program runs, are answered by
  // WaitForNews.
  virtual StartOutcome Start(const LaunchRequest& request) = 0;

  // What became of the started tasks since the last answer, waiting at
  // most `wait` for some news.
  virtual std::vector<TaskNews> WaitForNews(std::chrono::milliseconds wait) = 0;

  // How many started tasks have not been answered as ended yet.
  virtual size_t running() const = 0;
};

class ProcessLauncher : public TaskLauncher {
 public:
  // Blocks SIGCHLD in this thread, for as long as it lives, to wait for it,
  // and raises the open-file limit for a burst's locks (the tasks get the
  // limit as it was). With `interruptible` (run NAME on a terminal),
  // SIGINT, SIGTERM and SIGHUP are waited for too, and each asks every
  // watcher to end its program.
  explicit ProcessLauncher(bool interruptible = false,
                           std::chrono::milliseconds grace = std::chrono::seconds(5));
  ~ProcessLauncher() override;
  ProcessLauncher(const ProcessLauncher&) = delete;
  ProcessLauncher& operator=(const ProcessLauncher&) = delete;

  StartOutcome Start(const LaunchRequest& request) override;
  std::vector<TaskNews> WaitForNews(std::chrono::milliseconds wait) override;
  size_t running() const override { return running_; }

 private:
  struct Watched {
    pid_t watcher;
    Program program;  // to tell why it did not start
    bool told_end = false;
    bool reaped = false;
  };
  bool OpenReports();
  void ReadReports(std::vector<TaskNews>* news);
  void Reap(std::vector<TaskNews>* news);
  TaskNews NewsOf(const WatcherReport& report);
  void AskToEnd();

  std::chrono::milliseconds grace_;
  std::map<int, Watched> watched_;
  size_t running_ = 0;
  int next_id_ = 0;
  bool interrupted_ = false;
  Descriptor report_read_, report_write_;
  sigset_t waited_;
  sigset_t previous_mask_;
  rlimit descriptor_limit_ = {};
};

#endif  // SERVICE_TASK_LAUNCHER_H_

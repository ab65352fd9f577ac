// A task's watcher: a process of the service's own between run-due and the
// task's program, one per running task, in a session of its own. It holds
// the task's run lock for as long as the program lives (the program holds
// no descriptor of the service's), relays the program's output into the
// task's output file (task_output.h), ends the program's process
// group at its time limit, when the machine goes on batteries (for a task
// that asks so) or when asked (SIGTERM, SIGINT or SIGHUP to the
// watcher: SIGTERM, then SIGKILL after a grace period), notes the end in
// the run lock file (run_note.h) and tells run-due through a pipe.
//
// The program's end is its end: a child it left in the background holds
// no lock, and what it writes later reaches no file. A run-due killed
// meanwhile loses only the telling; the note keeps the end.
#ifndef SERVICE_TASK_WATCHER_H_
#define SERVICE_TASK_WATCHER_H_

#include <sys/resource.h>
#include <sys/types.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "service/child_process.h"
#include "service/run_note.h"

// A task to run, as the stored task and the service's state give it.
struct LaunchRequest {
  Program program;  // without a working directory it starts in the account's home
  std::optional<std::chrono::milliseconds> time_limit;
  int output = -1;  // its output file, open read-write; -1: the output is dropped
  int lock = -1;    // its run lock, held by the watcher; -1: none
  RunNote note;     // of this run, noted in the lock file as it goes
  // When set, the power-supply folder (power_supply.h) checked while the
  // program runs: it is ended, as at its time limit, once the machine
  // runs on batteries.
  std::string power_supplies;
};

// What becomes of a run, as its watcher tells: its program has started;
// then one end.
enum class RunOutcome : int {
  kStarted,
  kFinished,     // the program ended by itself
  kTimedOut,     // ended at its time limit
  kInterrupted,  // ended because the watcher was asked to
  kNotStarted,   // a step before the program failed (the account, the folder, the program)
  kNoProcess,    // the machine had no process or pipe for it
  kUnseen,       // its watcher ended without telling: the end is unknown
  kOnBatteries,  // ended because the machine went on batteries
};

// The exit code the run's record gets: `exit_code` is the program's exit
// status (or 128 + the signal), or the HRESULT of why it did not start.
DWORD ExitCodeToRecord(RunOutcome outcome, DWORD exit_code);

// What a watcher tells run-due: one write each, shorter than PIPE_BUF.
struct WatcherReport {
  int id = -1;
  RunOutcome outcome = RunOutcome::kFinished;
  int pid = 0;           // kStarted: the program's process
  DWORD exit_code = 0;   // as ExitCodeToRecord takes it
  int step = 0;          // kNotStarted: the step that failed (ChildStep)
  int error = 0;         // kNotStarted, kNoProcess: the errno
  int output_error = 0;  // an errno that cost output, or 0
};

struct WatchedTask {
  const LaunchRequest* request = nullptr;
  int id = -1;
  int report_fd = -1;
  std::chrono::milliseconds grace{5000};
  // The open-file limit to put back: the service raises its own for a burst.
  rlimit descriptor_limit = {};
};

// In a process forked for it from the service: runs and watches the task,
// then ends that process.
[[noreturn]] void WatchTask(const WatchedTask& task);

// Reads one report; false when none is there.
bool ReadWatcherReport(int fd, WatcherReport* report);

#endif  // SERVICE_TASK_WATCHER_H_

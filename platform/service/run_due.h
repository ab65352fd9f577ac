// One minute's work of the service: which tasks fall due, and one task's
// run with its record.
#ifndef PLATFORM_SERVICE_RUN_DUE_H_
#define PLATFORM_SERVICE_RUN_DUE_H_

#include <time.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/service/run_lock-posix.h"
#include "platform/service/task_launcher-posix.h"
#include "platform/service/task_store-posix.h"

struct RunContext {
  TaskStore& store;
  TaskLauncher& launcher;
  const RunLocks& locks;
  std::string folder_path;  // names the tasks' locks
  std::ostream& log;        // where cron sends the service's output
};

// The file names of the tasks due in the real minute that starts at
// `minute`. Files that are no .job files are passed over; a folder that
// cannot be listed is the listing's failure. A task the service must not
// trust is never due: when it would have been, `log` says why it is not
// run (only then, so that cron does not mail the same line every minute).
HRESULT DueTasks(TaskStore& store, time_t minute, std::vector<std::wstring>* due,
                 std::ostream& log);

enum class RunResult {
  kRan,           // started and ended, record written
  kRefused,       // could not start (no program, no such account); recorded
  kStillRunning,  // an earlier run holds the task
  kAlreadyRan,    // another run-due started it in this minute
  kNotDue,        // changed since it was found due
  kGone,          // deleted, or no longer the task that was found
  kFailed,        // the lock could not be taken
};

// Runs the task `file_name`, due in `minute`, at `now`: takes its lock,
// checks it again, records the start, runs it and records the end.
RunResult RunDueTask(const RunContext& context, const std::wstring& file_name, time_t minute,
                     time_t now);

// The time limit that the job's maximum run time sets; none for 0 and for
// INFINITE (0xFFFFFFFF).
std::optional<std::chrono::milliseconds> TimeLimitOf(const JobFile& job);

#endif  // PLATFORM_SERVICE_RUN_DUE_H_

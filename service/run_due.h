// One minute's work of the service: which tasks fall due, their runs and
// their records. One run-due process starts every due task of its minute
// and watches them all; the records of many tasks are written under one
// hold of the task folder's lock (TaskStore::UpdateBatch), so that a
// thousand tasks due at once all start and all get their records.
#ifndef SERVICE_RUN_DUE_H_
#define SERVICE_RUN_DUE_H_

#include <time.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

#include "service/run_lock-posix.h"
#include "service/task_launcher-posix.h"
#include "service/task_store-posix.h"

struct RunContext {
  TaskStore& store;
  TaskLauncher& launcher;
  const RunLocks& locks;
  std::string folder_path;  // for the log
  std::ostream& log;        // where cron sends the service's output
};

// Runs every task due in the minute of `now` (each at most once a minute,
// and never while an earlier run of it lives), records each start and end,
// and repairs the record of a run whose end nobody saw. A task the service
// must not trust is never run nor written: in the minute it would have run
// (only then, so that cron does not mail the same line every minute), the
// log says why. Returns the exit status: 1 when a due task could not be
// started or a record could not be written (each with a log line), else 0.
int RunDueCommand(const RunContext& context, time_t now);

// The time limit that the job's maximum run time sets; none for 0 and for
// INFINITE (0xFFFFFFFF).
std::optional<std::chrono::milliseconds> TimeLimitOf(const JobFile& job);

#endif  // SERVICE_RUN_DUE_H_

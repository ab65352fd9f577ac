// One minute's work of the service: which tasks fall due, their runs and
// their records. One run-due process starts every due task of its minute
// and watches them all; the records of many tasks are written under one
// hold of the task folder's lock (TaskStore::UpdateBatch), so that a
// thousand tasks due at once all start and all get their records.
#ifndef SERVICE_RUN_DUE_H_
#define SERVICE_RUN_DUE_H_

#include <time.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

#include "platform/taskscheduler/job_file.h"
#include "service/run_events.h"
#include "service/run_lock.h"
#include "service/run_record.h"
#include "service/task_launcher.h"
#include "service/task_output.h"
#include "service/task_store.h"

// The task's program with its parameters, as stored.
std::string CommandText(const JobFile& job);

struct RunContext {
  TaskStore& store;
  TaskLauncher& launcher;
  const RunLocks& locks;
  std::string folder_path;  // for the messages
  std::ostream& log;        // run-due's own failures: where cron sends its output
  EventLog& events;         // what it did with each task
  // Where each task's output goes; none leaves it with the service's own.
  TaskOutputs* outputs = nullptr;
};

// Runs every task due in the minute of `now` (each at most once a minute,
// and never while an earlier run of it lives), records each start and end,
// and repairs the record of a run whose end nobody saw. A task the service
// must not trust is never run nor written: in the minute it would have run
// (only then, so that cron does not mail the same line every minute), the
// log says why. Returns the exit status: 1 when a due task could not be
// started or a record could not be written (each with a log line), else 0.
int RunDueCommand(const RunContext& context, time_t now);

// Runs the task `name` (matched as Jobwarden matches a name) now, once,
// whether due or not, with the locks, records and events of a scheduled
// run; waits for its end. 1, with a message, when no task has the name,
// it is still running or could not be started.
int RunNowCommand(const RunContext& context, const std::wstring& name, time_t now);

// The time limit that the job's maximum run time sets; none for 0 and for
// INFINITE (0xFFFFFFFF).
std::optional<std::chrono::milliseconds> TimeLimitOf(const JobFile& job);

#endif  // SERVICE_RUN_DUE_H_

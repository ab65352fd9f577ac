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
#include "service/run_lock-posix.h"
#include "service/task_launcher-posix.h"
#include "service/task_output-posix.h"
#include "service/task_store-posix.h"

// What the service writes into a task's .job file about its runs, as the
// Windows service does; every other field stays as it was.

constexpr DWORD SCHED_S_TASK_READY = 0x00041300;
constexpr DWORD SCHED_S_TASK_RUNNING = 0x00041301;
// The exit code recorded for a task that cannot start: no program
// (SCHED_E_TASK_NOT_READY), no such account (ERROR_NONE_MAPPED).
constexpr DWORD SCHED_E_TASK_NOT_READY = 0x8004130A;
constexpr DWORD kNoSuchAccount = static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_NONE_MAPPED));
// The exit code recorded for a run whose end nobody saw (the run-due that
// started it was killed): HRESULT_FROM_WIN32(ERROR_PROCESS_ABORTED).
constexpr DWORD kRunEndNotSeen = 0x8007042B;

// The local time of `when` as the .job file keeps it.
SYSTEMTIME LocalSystemTime(time_t when);

// Whether the job's most recent run began in the same local minute as
// `minute` (wall time).
bool RanInMinuteOf(const JobFile& job, time_t minute);

// A run begins at `started`: most recent run time, status running, one
// more running instance.
void RecordStart(time_t started, JobFile* job);

// A run that began has ended with `exit_code`.
void RecordEnd(DWORD exit_code, JobFile* job);

// A run recorded as running has ended unseen: nothing of it runs any
// more, and its exit code is unknown.
void RecordUnseenEnd(JobFile* job);

// A run due at `attempted` could not begin: most recent run time and the
// reason, as the exit code.
void RecordRefusal(time_t attempted, DWORD exit_code, JobFile* job);

// The texts of the log and of status: a local time to the minute
// ("2026-12-07 10:21"), and an exit code or HRESULT in hex ("0x1",
// "0x8007042B"), with at least `digits` digits.
std::string TimeText(const SYSTEMTIME& time);
std::string HexText(DWORD value, int digits = 0);

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

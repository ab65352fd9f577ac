// The two commands that run tasks: run-due, which cron starts once a
// minute, and run NAME. Each takes its tasks from the folder
// (task_scan.h) and runs them to their ends (task_runs.h).
#ifndef SERVICE_RUN_DUE_H_
#define SERVICE_RUN_DUE_H_

#include <time.h>

#include <ostream>
#include <string>

#include "service/boot_note.h"
#include "service/logon_records.h"
#include "service/machine_state.h"
#include "service/run_due_stamp.h"
#include "service/run_events.h"
#include "service/run_lock.h"
#include "service/task_launcher.h"
#include "service/task_output.h"
#include "service/task_store.h"

struct RunContext {
  TaskStore& store;
  TaskLauncher& launcher;
  const RunLocks& locks;
  std::string folder_path;  // for the messages
  std::ostream& log;        // the service's own failures: where cron sends its output
  EventLog& events;         // what it did with each task
  // Where each task's output goes; none drops it.
  TaskOutputs* outputs = nullptr;
  // Where run-due notes each run, and finds the one before; none notes
  // nothing.
  const RunDueStamp* stamp = nullptr;
  // What the tasks' conditions and priorities are judged on; none holds
  // no task back and allows every priority.
  const MachineState* machine = nullptr;
  // Which boot the at-system-start tasks ran for, and the logins run-due
  // has seen; none runs no such task.
  const BootNote* boot = nullptr;
  const LogonRecords* logons = nullptr;
};

// Runs every task due in the minute of `now` (each at most once a minute,
// and never while an earlier run of it lives), records each start and end,
// and repairs the record of a run whose end nobody saw. A task the service
// must not trust is never run nor written: in the minute it would have run
// (only then, so that cron does not mail the same line every minute), the
// log says why. Notes the run (the stamp), and logs the runs that fell due
// since the one before without a run-due (missed_runs.h). Returns the
// exit status: 1 when a due task could not be started or a record or the
// note could not be written (each with a log line), else 0.
//
// With it the tasks of the event triggers run: those at system start,
// when the machine booted since the run-due before and system-start has
// not run for this boot; those at log on once for each login recorded
// since the run-due before (logon_records.h), one login after the other.
int RunDueCommand(const RunContext& context, time_t now);

// Runs every task with an enabled at-system-start trigger, once a boot
// (boot_note.h): a second system-start of the same boot runs nothing.
// The locks, records, events and exit status are run-due's.
int SystemStartCommand(const RunContext& context, time_t now);

// Runs the task `name` (matched as Jobwarden matches a name) now, once,
// whether due or not, with the locks, records and events of a scheduled
// run, the events also said on `log`; waits for its end. 1, with a
// message, when no task has the name, it is still running, could not be
// started or was interrupted.
int RunNowCommand(const RunContext& context, const std::wstring& name, time_t now);

#endif  // SERVICE_RUN_DUE_H_

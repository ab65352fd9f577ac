// What the service does with a task's flags and priority field, as the
// Windows service does wherever Linux has what the flag depends on:
// deleted when done, its priority, its power and session conditions. The
// flags Linux has no counterpart for (idle conditions, a hidden or
// interactive task, keeping the system awake, the internet connection)
// are named as not honoured.
#ifndef SERVICE_TASK_FLAGS_H_
#define SERVICE_TASK_FLAGS_H_

#include <time.h>
#include <windows.h>

#include <optional>
#include <string>

#include "platform/taskscheduler/job_file.h"
#include "service/child_process.h"
#include "service/machine_state.h"

// The Linux priority of the task's priority class: idle at nice 19 in the
// idle class, normal at 0, high at -10, realtime at -20 (never a
// real-time policy); any other value as normal.
TaskPriority PriorityOf(const JobFile& job);

// A condition that holds a due task back: the exit code its record gets,
// and the reason in words.
struct HeldBack {
  DWORD code = 0;
  std::string reason;
};

// What holds the task back now, for `user` (the account it runs as), if
// anything: the machine on batteries (TASK_FLAG_DONT_START_IF_ON_BATTERIES),
// the user not logged on (TASK_FLAG_RUN_ONLY_IF_LOGGED_ON).
std::optional<HeldBack> HeldBackBy(const JobFile& job, const std::string& user,
                                   const MachineState& machine);

// Whether the task is deleted after a run begun at `started`: it has
// TASK_FLAG_DELETE_WHEN_DONE and no more run times after that minute. A
// task with an idle, system-start or log-on trigger always has more, as
// the Windows service counts them.
bool DeletedWhenDone(const JobFile& job, time_t started);

// The honoured flags and priority in words, then those not honoured on
// Linux ("deleted after its last run, idle priority; not honoured on
// Linux: start only if idle"); "" for a task that has none.
std::string FlagsInWords(const JobFile& job, const std::string& user);

#endif  // SERVICE_TASK_FLAGS_H_

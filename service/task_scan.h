// Which tasks a run takes from the task folder: those that fall due (in
// run-due's minute, or the one task run NAME asks for), and those
// recorded as running by a run that may have ended unseen; each with its
// run lock taken and what to run made ready (task_runs.h). A task the
// service must not trust is never taken.
#ifndef SERVICE_TASK_SCAN_H_
#define SERVICE_TASK_SCAN_H_

#include <time.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "service/machine_state.h"
#include "service/run_lock.h"
#include "service/task_runs.h"
#include "service/task_store.h"

struct TaskScan {
  HRESULT listed = E_UNEXPECTED;  // S_OK once the folder was listed
  std::string folder_key;         // TaskStore::FolderKey
  size_t due = 0;
  std::vector<std::unique_ptr<FoundTask>> tasks;
  // What the scan found of the tasks it did not take, in the order found:
  // an event's text (run_events.h), or a failure of the service's own.
  struct Finding {
    std::string task;
    std::string text;
    bool failure = false;
  };
  std::vector<Finding> findings;
};

// Whether a task as read falls due now.
using DueRule = std::function<bool(const JobFile& job)>;

// Scans the tasks of `store` (only the file `only` when given) in the
// local minute `minute`. An untrusted task is said only when `due` says
// it falls due, so that cron does not mail the same line every minute.
// A due task's conditions and priority are judged on `machine` (none
// holds none back and allows every priority).
TaskScan ScanTasks(TaskStore& store, const RunLocks& locks, time_t minute, const DueRule& due,
                   const std::wstring* only, const MachineState* machine);

#endif  // SERVICE_TASK_SCAN_H_

// jobwarden-service status: whether cron runs the service for this task
// folder and when it last did, and each task in words: as whom it runs and what, its next run
// (or why there is none), its last run with the result in words, and
// where its output is. `status NAME` shows that one task with the newest
// lines of its run log and of its output.
#ifndef SERVICE_STATUS_REPORT_H_
#define SERVICE_STATUS_REPORT_H_

#include <time.h>

#include <ostream>
#include <string>
#include <vector>

#include "service/crontab.h"
#include "service/run_due_stamp.h"
#include "service/run_log.h"
#include "service/system_service.h"
#include "service/task_output.h"
#include "service/task_store.h"

// What status reads besides the crontab and the tasks; any may be
// missing (no state folder yet).
struct StatusSources {
  const RunLog* run_log = nullptr;
  TaskOutputs* outputs = nullptr;
  const RunDueStamp* stamp = nullptr;  // when cron last started run-due
  // Lines said after the task folder's: where else tasks or outputs of
  // this user are.
  std::vector<std::string> notes = {};
  // Root's: when it serves the task folder, the crontab is not read.
  const SystemService* system = nullptr;
};

// How many of the newest lines `status NAME` shows of the log and output.
constexpr size_t kStatusTailLines = 10;

// Every task, or only the one `only` names (matched as Jobwarden matches
// a name; status 1 with a message when none has it).
int StatusCommand(Crontab& crontab, TaskStore& store, const std::string& task_folder, time_t now,
                  const StatusSources& sources, const std::wstring* only, std::ostream& out,
                  std::ostream& err);

#endif  // SERVICE_STATUS_REPORT_H_

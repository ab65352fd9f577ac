#include "service/task_scan.h"

#include "platform/posix/wide_text.h"
#include "service/account.h"
#include "service/child_process.h"
#include "service/run_events.h"
#include "service/run_record.h"
#include "service/task_flags.h"

namespace {

// What to run, or why it cannot run; what the log should know of it.
void Prepare(FoundTask& task, const MachineState* machine,
             std::vector<TaskScan::Finding>* findings) {
  const JobFile& job = task.job;
  if (job.application_name.empty()) {
    task.refusal = SCHED_E_TASK_NOT_READY;
    task.refusal_text = "it has no program";
    return;
  }
  Program& program = task.request.program;
  if (!ResolveAccount(Utf8FromWide(job.account_name), &program.account)) {
    task.refusal = kNoSuchAccount;
    task.refusal_text = "the account " + Utf8FromWide(job.account_name) + " does not exist";
    return;
  }
  if (machine) {
    if (std::optional<HeldBack> held = HeldBackBy(job, program.account.name, *machine)) {
      task.refusal = held->code;
      task.refusal_text = held->reason;
      return;
    }
    if (job.flags & TASK_FLAG_KILL_IF_GOING_ON_BATTERIES)
      task.request.power_supplies = machine->PowerSupplies();
  }
  program.priority = PriorityOf(job);
  if (machine && !machine->MayUseNice(program.priority->nice)) {
    program.priority = TaskPriority();
    findings->push_back({task.name, NormalPriorityEventText(task.name)});
  }
  program.path = Utf8FromWide(job.application_name);
  program.arguments = SplitParameters(Utf8FromWide(job.parameters));
  program.working_directory = Utf8FromWide(job.working_directory);
  task.request.time_limit = TimeLimitOf(job);
}

}  // namespace

TaskScan ScanTasks(TaskStore& store, const RunLocks& locks, time_t minute, const DueRule& due,
                   const std::wstring* only, const MachineState* machine) {
  TaskScan scan;
  std::vector<std::wstring> names;
  scan.listed = store.List(&names);
  if (SUCCEEDED(scan.listed) && !names.empty())
    scan.listed = store.FolderKey(&scan.folder_key);
  if (FAILED(scan.listed))
    return scan;
  for (const std::wstring& file_name : names) {
    if (only && file_name != *only)
      continue;
    auto task = std::make_unique<FoundTask>();
    task->file_name = file_name;
    task->name = Utf8FromWide(file_name);
    std::string refusal;
    const HRESULT read = store.Read(file_name, &task->job, &refusal);
    if (read == TRUST_E_SUBJECT_NOT_TRUSTED && due(task->job))
      scan.findings.push_back({task->name, RefusedEventText(task->name, refusal)});
    if (read != S_OK)
      continue;
    // A run begun in this minute is another run-due's, which holds it.
    const bool recorded_running =
        task->job.status == SCHED_S_TASK_RUNNING && !RanInMinuteOf(task->job, minute);
    task->due = due(task->job);
    if (!task->due && !recorded_running)
      continue;
    if (task->due)
      ++scan.due;
    std::string why;
    switch (locks.TryLock(scan.folder_key, task->name, &task->lock, &why)) {
      case RunLocks::Outcome::kHeld:
        break;
      case RunLocks::Outcome::kBusy:
        if (task->due)
          scan.findings.push_back({task->name, StillRunningEventText(task->name)});
        continue;
      case RunLocks::Outcome::kFailed:
        if (task->due)
          scan.findings.push_back(
              {task->name, "cannot take its run lock (" + why + "); not run", true});
        continue;
    }
    if (task->due)
      Prepare(*task, machine, &scan.findings);
    scan.tasks.push_back(std::move(task));
  }
  return scan;
}

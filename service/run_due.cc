#include "service/run_due.h"

#include "service/due_rule.h"
#include "service/local_clock.h"
#include "service/missed_runs.h"
#include "service/run_record.h"
#include "service/service_messages.h"
#include "service/task_runs.h"
#include "service/task_scan.h"

namespace {

bool Listed(const RunContext& context, const TaskScan& scan) {
  if (SUCCEEDED(scan.listed))
    return true;
  context.log << kMessagePrefix << "cannot list the task folder " << context.folder_path << " ("
              << HexText(static_cast<DWORD>(scan.listed), 8) << ")\n";
  return false;
}

void TellFindings(const TaskScan& scan, RunReport& report) {
  for (const TaskScan::Finding& finding : scan.findings) {
    if (finding.failure)
      report.Fail(finding.task, finding.text);
    else
      report.Event(finding.text);
  }
}

// Notes this run; the one noted before, when there is one to trust.
std::optional<time_t> NoteRun(const RunContext& context, time_t now, bool* noted) {
  std::string why;
  const std::optional<time_t> before = context.stamp->Last(&why);
  *noted = context.stamp->Note(now, &why);
  if (!*noted)
    context.log << kMessagePrefix << "cannot note this run (" << why << ")\n";
  return before;
}

}  // namespace

int RunDueCommand(const RunContext& context, time_t now) {
  const time_t minute = StartOfMinute(now);
  const DueRule due = [minute](const JobFile& job) {
    return IsJobDueAt(job, minute) && !RanInMinuteOf(job, minute);
  };
  bool noted = true;
  const std::optional<time_t> before = context.stamp ? NoteRun(context, now, &noted) : std::nullopt;
  TaskScan scan = ScanTasks(context.store, context.locks, minute, due, nullptr, context.machine);
  if (!Listed(context, scan))
    return 1;
  RunReport report(context.events, &context.log);
  if (before) {
    for (const std::string& text : MissedRunEvents(context.store, *before, minute))
      report.Event(text);
  }
  // The minute's first line says how many fell due; what the scan found
  // of each follows it.
  if (scan.due > 0)
    report.Event(DueEventText(scan.due));
  TellFindings(scan, report);
  TaskRuns runs(context.store, context.launcher, context.outputs, report, scan.folder_key, now,
                due);
  runs.Run(std::move(scan.tasks));
  return report.failures() == 0 && noted ? 0 : 1;
}

int RunNowCommand(const RunContext& context, const std::wstring& name, time_t now) {
  std::wstring file_name;
  if (context.store.Find(name, &file_name) != S_OK) {
    context.log << NoTaskNamedMessage(name) << "\n";
    return 1;
  }
  const DueRule always = [](const JobFile&) { return true; };
  TaskScan scan = ScanTasks(context.store, context.locks, StartOfMinute(now), always, &file_name,
                            context.machine);
  if (!Listed(context, scan))
    return 1;
  // Whoever asked hears every event, failures included.
  EchoedEvents echoed(context.events, context.log);
  RunReport report(echoed, nullptr);
  TellFindings(scan, report);
  TaskRuns runs(context.store, context.launcher, context.outputs, report, scan.folder_key, now,
                always);
  const RunTally tally = runs.Run(std::move(scan.tasks));
  const bool ran = tally.started > 0 && tally.not_started == 0 && tally.interrupted == 0;
  return report.failures() == 0 && ran ? 0 : 1;
}

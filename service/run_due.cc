#include "service/run_due.h"

#include <time.h>

#include "service/due_rule.h"
#include "service/event_triggers.h"
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

// Runs the tasks `due` takes, telling first `events` (what run-due found
// before the scan); 1 when a run failed or the scan could not list.
int RunTheDue(const RunContext& context, time_t now, const DueRule& due,
              const std::vector<std::string>& events) {
  TaskScan scan =
      ScanTasks(context.store, context.locks, StartOfMinute(now), due, nullptr, context.machine);
  if (!Listed(context, scan))
    return 1;
  RunReport report(context.events, &context.log);
  for (const std::string& text : events)
    report.Event(text);
  // The first line of a run says how many fell due; what the scan found
  // of each follows it.
  if (scan.due > 0)
    report.Event(DueEventText(scan.due));
  TellFindings(scan, report);
  TaskRuns runs(context.store, context.launcher, context.outputs, report, scan.folder_key, now,
                due);
  runs.Run(std::move(scan.tasks));
  return report.failures() == 0 ? 0 : 1;
}

// Whether the machine started after `before` (the run-due before this
// one), by the boot clock.
bool BootedSince(time_t before) {
  timespec up = {};
  return clock_gettime(CLOCK_BOOTTIME, &up) == 0 && Now() - up.tv_sec > before;
}

// Whether this run-due is the one to run the at-system-start tasks: the
// first to see this boot, when system-start has not.
bool RunsSystemStart(const RunContext& context, const std::optional<time_t>& before) {
  if (!context.boot)
    return false;
  std::string why;
  switch (context.boot->ClaimThisBoot(&why)) {
    case BootNote::Claim::kClaimed:
      return true;
    case BootNote::Claim::kFirst:
      // A service new to the machine, or older than the note, runs them
      // only when the machine started since it ran last.
      return before && BootedSince(*before);
    case BootNote::Claim::kAlreadyNoted:
      return false;
    case BootNote::Claim::kUnknown:
      break;
  }
  context.log << kMessagePrefix << "cannot tell whether system-start ran for this boot (" << why
              << ")\n";
  return false;
}

size_t NewLogins(const RunContext& context) {
  size_t logins = 0;
  std::string why;
  if (context.logons && !context.logons->TakeNew(&logins, &why))
    context.log << kMessagePrefix << "cannot tell who logged on (" << why << ")\n";
  return logins;
}

bool AtLogOn(const JobFile& job) { return HasEventTrigger(job, TASK_EVENT_TRIGGER_AT_LOGON); }

}  // namespace

int RunDueCommand(const RunContext& context, time_t now) {
  const time_t minute = StartOfMinute(now);
  bool noted = true;
  const std::optional<time_t> before = context.stamp ? NoteRun(context, now, &noted) : std::nullopt;
  const bool at_start = RunsSystemStart(context, before);
  const size_t logins = NewLogins(context);
  // The minute's tasks, those at system start and those of the first
  // login start together; each further login's after the one before.
  const DueRule due = [minute, at_start, logins](const JobFile& job) {
    return (IsJobDueAt(job, minute) && !RanInMinuteOf(job, minute)) ||
           (at_start && HasEventTrigger(job, TASK_EVENT_TRIGGER_AT_SYSTEMSTART)) ||
           (logins > 0 && AtLogOn(job));
  };
  std::vector<std::string> missed;
  if (before)
    missed = MissedRunEvents(context.store, *before, minute);
  int status = RunTheDue(context, now, due, missed);
  for (size_t login = 1; login < logins && status == 0; ++login)
    status = RunTheDue(context, now, AtLogOn, {});
  return status == 0 && noted ? 0 : 1;
}

int SystemStartCommand(const RunContext& context, time_t now) {
  std::string why;
  if (context.boot && context.boot->ClaimThisBoot(&why) == BootNote::Claim::kAlreadyNoted)
    return 0;
  return RunTheDue(
      context, now,
      [](const JobFile& job) { return HasEventTrigger(job, TASK_EVENT_TRIGGER_AT_SYSTEMSTART); },
      {});
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

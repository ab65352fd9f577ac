#include "service/run_events.h"

#include "service/result_text.h"
#include "service/service_messages.h"
#include "service/visible_text.h"

// Visible, a tab or newline in a task's name cannot end its prefix early.
std::string TaskEventPrefix(const std::string& task) { return VisibleText(task) + '\t'; }

std::string DueEventText(size_t due) {
  return "run-due: " + std::to_string(due) + (due == 1 ? " task due" : " tasks due");
}

std::string StartedEventText(const std::string& task, const std::string& command,
                             const std::string& account, pid_t pid) {
  return TaskEventPrefix(task) + "started: " + VisibleText(command) + " as " +
         (account.empty() ? "the service's account" : VisibleText(account)) + ", process " +
         std::to_string(pid);
}

std::string FinishedEventText(const std::string& task, DWORD exit_code,
                              const std::string& account) {
  return TaskEventPrefix(task) + "finished: " + ResultInWords(exit_code, account);
}

std::string TimeLimitEventText(const std::string& task, DWORD exit_code) {
  return TaskEventPrefix(task) + "ended at its maximum run time: " + ResultInWords(exit_code, "");
}

std::string OnBatteriesEventText(const std::string& task, DWORD exit_code) {
  return TaskEventPrefix(task) + "ended on batteries: " + ResultInWords(exit_code, "");
}

std::string DeletedEventText(const std::string& task) {
  return TaskEventPrefix(task) + "deleted: it has no more runs";
}

std::string InterruptedEventText(const std::string& task, DWORD exit_code) {
  return TaskEventPrefix(task) +
         "interrupted: jobwarden-service run was stopped; the task was ended, " +
         ResultInWords(exit_code, "");
}

std::string NotStartedEventText(const std::string& task, const std::string& reason) {
  return TaskEventPrefix(task) + "could not start: " + VisibleText(reason);
}

std::string RepairedEventText(const std::string& task, Repair repair, const SYSTEMTIME& since,
                              DWORD exit_code, const std::string& account) {
  const std::string time = TimeText(since);
  switch (repair) {
    case Repair::kLateEnd:
      return TaskEventPrefix(task) + "the end of its run since " + time +
             " is recorded now: " + ResultInWords(exit_code, account);
    case Repair::kNeverStarted:
      return TaskEventPrefix(task) + "its run of " + time +
             " never started (run-due was stopped first); its record is as before";
    default:
      return TaskEventPrefix(task) + "the end of its run since " + time +
             " was not seen; recorded as ended";
  }
}

std::string RefusedEventText(const std::string& task, const std::string& reason) {
  return TaskEventPrefix(task) + "not run: " + VisibleText(reason);
}

std::string NormalPriorityEventText(const std::string& task) {
  return TaskEventPrefix(task) + "runs at normal priority: the service may not raise its priority";
}

std::string StillRunningEventText(const std::string& task) {
  return TaskEventPrefix(task) + "not started: still running";
}

std::string MissedEventText(const std::string& task, size_t count, bool more,
                            const SYSTEMTIME& first, const SYSTEMTIME& last) {
  const std::string prefix = TaskEventPrefix(task);
  if (more)
    return prefix + "missed more than " + std::to_string(count) + " runs since " + TimeText(first);
  if (count == 1)
    return prefix + "missed: " + TimeText(first);
  return prefix + "missed " + std::to_string(count) + " runs: " + TimeText(first) + " to " +
         TimeText(last);
}

void RunReport::Fail(const std::string& task, const std::string& text) {
  if (failures_)
    *failures_ << kMessagePrefix << VisibleText(task) << ": " << text << "\n";
  Event(TaskEventPrefix(task) + text);
  ++failure_count_;
}

void EchoedEvents::Add(const std::string& text) {
  events_.Add(text);
  out_ << kMessagePrefix << text << "\n";
}

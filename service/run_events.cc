#include "service/run_events.h"

#include "service/result_text.h"

// A tab or newline in a task's name would end its prefix early: each
// control character becomes '?', as RunLog writes them.
std::string TaskEventPrefix(const std::string& task) {
  std::string prefix = task;
  for (char& c : prefix) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      c = '?';
  }
  return prefix + '\t';
}

std::string DueEventText(size_t due) {
  return "run-due: " + std::to_string(due) + (due == 1 ? " task due" : " tasks due");
}

std::string StartedEventText(const std::string& task, const std::string& command,
                             const std::string& account, pid_t pid) {
  return TaskEventPrefix(task) + "started: " + command + " as " +
         (account.empty() ? "the service's account" : account) + ", process " + std::to_string(pid);
}

std::string FinishedEventText(const std::string& task, DWORD exit_code,
                              const std::string& account) {
  return TaskEventPrefix(task) + "finished: " + ResultInWords(exit_code, account);
}

std::string TimeLimitEventText(const std::string& task, DWORD exit_code) {
  return TaskEventPrefix(task) + "ended at its maximum run time: " + ResultInWords(exit_code, "");
}

std::string InterruptedEventText(const std::string& task, DWORD exit_code) {
  return TaskEventPrefix(task) +
         "interrupted: jobwarden-service run was stopped; the task was ended, " +
         ResultInWords(exit_code, "");
}

std::string NotStartedEventText(const std::string& task, const std::string& reason) {
  return TaskEventPrefix(task) + "could not start: " + reason;
}

std::string RefusedEventText(const std::string& task, const std::string& reason) {
  return TaskEventPrefix(task) + "not run: " + reason;
}

std::string StillRunningEventText(const std::string& task) {
  return TaskEventPrefix(task) + "not started: still running";
}

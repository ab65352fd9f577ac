// The texts of the run log's events, one line each (RunLog adds the time).
// A task's lines begin with its file name and a tab, so that `status NAME`
// finds them (RunLog::Tail) whatever the name holds; run-due's own lines
// begin with "run-due:". Whatever comes from the task (its name, program
// line, account, a reason that quotes them) is made visible here, once
// (visible_text.h): a task cannot forge or break a line.
#ifndef SERVICE_RUN_EVENTS_H_
#define SERVICE_RUN_EVENTS_H_

#include <sys/types.h>
#include <windows.h>

#include <ostream>
#include <string>

#include "service/run_record.h"

// "run-due: 3 tasks due". Logged only when some task is due.
std::string DueEventText(size_t due);

// A task's process has been started: its program with its parameters as
// the task stores them, its account ("" for the service's own) and pid.
std::string StartedEventText(const std::string& task, const std::string& command,
                             const std::string& account, pid_t pid);

// The task's program ended by itself (exit code, in words).
std::string FinishedEventText(const std::string& task, DWORD exit_code, const std::string& account);

// The service ended it at its maximum run time; `exit_code` is its status.
std::string TimeLimitEventText(const std::string& task, DWORD exit_code);

// run NAME was stopped, and the service ended the task: its status.
std::string InterruptedEventText(const std::string& task, DWORD exit_code);

// Its process started but the program did not (the account, the working
// directory, the program), or no process could be had: `reason` as the
// launcher words it.
std::string NotStartedEventText(const std::string& task, const std::string& reason);

// The record of a run recorded as running since `since`, with its lock
// free, put right as `repair` says (run_record.h); `exit_code` is the end
// that was noted, for kLateEnd.
std::string RepairedEventText(const std::string& task, Repair repair, const SYSTEMTIME& since,
                              DWORD exit_code, const std::string& account);

// Due but not run: an untrusted file, an unknown account, no program.
std::string RefusedEventText(const std::string& task, const std::string& reason);

// The service ended it when the machine went on batteries; its status.
std::string OnBatteriesEventText(const std::string& task, DWORD exit_code);

// Its run has ended and it has no more runs: its file was deleted.
std::string DeletedEventText(const std::string& task);

// Its priority would raise the service's, which the service may not: it
// runs at normal priority.
std::string NormalPriorityEventText(const std::string& task);

// Due but still running from an earlier start.
std::string StillRunningEventText(const std::string& task);

// It fell due `count` times (`more`: more than that), from `first` to
// `last`, in minutes when no run-due ran; nothing was run for them.
std::string MissedEventText(const std::string& task, size_t count, bool more,
                            const SYSTEMTIME& first, const SYSTEMTIME& last);

// The line prefix of a task's events, for filtering.
std::string TaskEventPrefix(const std::string& task);

// Where run-due tells what it did to each task and why (the run log,
// run_log.h), apart from its own failures, which need a person.
class EventLog {
 public:
  virtual ~EventLog() = default;
  // One event's text (run_events.h), at the present time.
  virtual void Add(const std::string& text) = 0;
};

// How a run tells what it does: every event to `events`; a failure of the
// service's own (a record or log it cannot write, a lock it cannot take,
// no process to be had), which needs a person, also to `failures`, where
// cron sends run-due's output (none: the events say it already), and
// counted.
class RunReport {
 public:
  RunReport(EventLog& events, std::ostream* failures) : events_(events), failures_(failures) {}

  void Event(const std::string& text) { events_.Add(text); }
  void Fail(const std::string& task, const std::string& text);
  int failures() const { return failure_count_; }

 private:
  EventLog& events_;
  std::ostream* failures_;
  int failure_count_ = 0;
};

// The events also said on `out`, each after the message prefix: what run
// NAME tells whoever ran it.
class EchoedEvents : public EventLog {
 public:
  EchoedEvents(EventLog& events, std::ostream& out) : events_(events), out_(out) {}
  void Add(const std::string& text) override;

 private:
  EventLog& events_;
  std::ostream& out_;
};

#endif  // SERVICE_RUN_EVENTS_H_

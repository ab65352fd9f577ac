#include "service/run_due.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/posix/system_clock-posix.h"
#include "platform/posix/wide_text.h"
#include "service/child_process.h"
#include "service/local_clock.h"
#include "service/result_text.h"
#include "service/run_events.h"
#include "service/run_note.h"
#include "service/task_watcher.h"
#include "service/visible_text.h"

namespace {

using std::chrono::steady_clock;

// How long an ended task's record may wait for others to share its write.
constexpr std::chrono::milliseconds kEndRecordDelay{100};

bool SameJob(const JobFile& a, const JobFile& b) {
  return std::memcmp(a.job_uuid, b.job_uuid, sizeof(a.job_uuid)) == 0;
}

// A task of the minute: due, or recorded as running by a run that may
// have ended unseen. Holds its run lock from before its start record to
// after its end record.
struct Candidate {
  std::wstring file_name;
  std::string name;
  JobFile job;  // as read when found: which task this is
  bool due = false;
  Descriptor lock;
  LaunchRequest request;
  DWORD refusal = 0;
  std::string refusal_text;
  // What the start record did.
  bool start_recorded = false;
  bool note_failed = false;
  // A run recorded as running whose lock was free: how its record was
  // repaired (run_note.h).
  enum class Repair { kNone, kUnseenEnd, kLateEnd, kNeverStarted } repair = Repair::kNone;
  SYSTEMTIME unseen_since = {};
  DWORD late_exit_code = 0;
  // The end.
  DWORD exit_code = 0;
};

class MinuteRun {
 public:
  // `only`, when given: that task's file, run now whether due or not.
  MinuteRun(const RunContext& context, time_t now, const std::wstring* only = nullptr)
      : context_(context), now_(now), minute_(StartOfMinute(now)), only_(only) {}

  int Run() {
    scanning_ = true;
    const bool found = FindCandidates();
    scanning_ = false;
    // The minute's first line says how many fell due; what the scan found
    // of each follows it.
    if (due_ > 0 && !only_)
      Event(DueEventText(due_));
    for (const std::string& text : scanned_)
      Event(text);
    if (!found)
      return 1;
    for (size_t first = 0; first < candidates_.size(); first += TaskStore::kBatchSize) {
      const size_t end = std::min(candidates_.size(), first + TaskStore::kBatchSize);
      std::vector<Candidate*> chunk;
      for (size_t i = first; i < end; ++i)
        chunk.push_back(candidates_[i].get());
      RecordStarts(chunk);
      StartTasks(chunk);
      // The ends so far are only collected: their records wait until every
      // task has started, for a record is a flush the next starts would
      // wait for.
      TakeEnds(std::chrono::milliseconds(0));
    }
    while (context_.launcher.running() > 0 || !ended_.empty())
      CollectEnds(ended_.empty() ? std::chrono::hours(1) : kEndRecordDelay);
    return failures_ == 0 && (!only_ || started_ > 0) ? 0 : 1;
  }

 private:
  // Also said to whoever asked for a run by name.
  void Event(const std::string& text) {
    if (scanning_) {
      scanned_.push_back(text);
      return;
    }
    context_.events.Add(text);
    if (only_)
      context_.log << "jobwarden-service: " << text << "\n";
  }

  // run-due's own failure, which needs a person: said where cron sends
  // its output, and in the run log as what became of the task.
  void Fail(const Candidate& task, const std::string& text) {
    if (!only_)
      context_.log << "jobwarden-service: " << VisibleText(task.name) << ": " << text << "\n";
    Event(TaskEventPrefix(task.name) + text);
    ++failures_;
  }

  bool FindCandidates() {
    std::vector<std::wstring> names;
    HRESULT result = context_.store.List(&names);
    if (SUCCEEDED(result) && !names.empty())
      result = context_.store.FolderKey(&folder_key_);
    if (FAILED(result)) {
      context_.log << "jobwarden-service: cannot list the task folder " << context_.folder_path
                   << " (" << HexText(static_cast<DWORD>(result), 8) << ")\n";
      return false;
    }
    for (const std::wstring& file_name : names) {
      if (only_ && file_name != *only_)
        continue;
      auto task = std::make_unique<Candidate>();
      std::string refusal;
      const HRESULT read = context_.store.Read(file_name, &task->job, &refusal);
      // Said only in the minute it would have run, so that cron does not
      // mail the same line every minute.
      if (read == TRUST_E_SUBJECT_NOT_TRUSTED && (only_ || IsJobDueAt(task->job, minute_)))
        Event(RefusedEventText(Utf8FromWide(file_name), refusal));
      if (read != S_OK)
        continue;
      // A run begun in this minute is another run-due's, which holds it.
      const bool ran = RanInMinuteOf(task->job, minute_);
      const bool recorded_running = task->job.status == SCHED_S_TASK_RUNNING && !ran;
      task->due = only_ || (IsJobDueAt(task->job, minute_) && !ran);
      if (!task->due && !recorded_running)
        continue;
      if (task->due)
        ++due_;
      task->file_name = file_name;
      task->name = Utf8FromWide(file_name);
      std::string why;
      switch (context_.locks.TryLock(folder_key_, task->name, &task->lock, &why)) {
        case RunLocks::Outcome::kHeld:
          break;
        case RunLocks::Outcome::kBusy:
          if (task->due)
            Event(StillRunningEventText(task->name));
          continue;
        case RunLocks::Outcome::kFailed:
          if (task->due)
            Fail(*task, "cannot take its run lock (" + why + "); not run");
          continue;
      }
      if (task->due)
        Prepare(*task);
      candidates_.push_back(std::move(task));
    }
    return true;
  }

  void Prepare(Candidate& task) {
    const JobFile& job = task.job;
    if (job.application_name.empty()) {
      task.refusal = SCHED_E_TASK_NOT_READY;
      task.refusal_text = "it has no program";
      return;
    }
    Account account;
    if (!ResolveAccount(Utf8FromWide(job.account_name), &account)) {
      task.refusal = kNoSuchAccount;
      task.refusal_text = "the account " + Utf8FromWide(job.account_name) + " does not exist";
      return;
    }
    task.request.program = Utf8FromWide(job.application_name);
    task.request.arguments = SplitParameters(Utf8FromWide(job.parameters));
    task.request.working_directory = Utf8FromWide(job.working_directory);
    task.request.account = account;
    task.request.time_limit = TimeLimitOf(job);
  }

  // Each task is checked again as stored, under the folder's lock: still
  // the task found, still due, not started by another run-due meanwhile.
  // A record that says "running", of a run begun before this minute whose
  // lock we now hold, tells of a run whose end nobody saw.
  void RecordStarts(const std::vector<Candidate*>& chunk) {
    std::vector<TaskChange> changes;
    for (Candidate* task : chunk) {
      changes.push_back(
          {task->file_name, [this, task](JobFile* stored) {
             task->start_recorded = task->note_failed = false;
             task->repair = Candidate::Repair::kNone;
             if (!SameJob(task->job, *stored))
               return false;
             if (stored->status == SCHED_S_TASK_RUNNING && !RanInMinuteOf(*stored, minute_))
               Repair(task, stored);
             if (task->due &&
                 (only_ || (IsJobDueAt(*stored, minute_) && !RanInMinuteOf(*stored, minute_))))
               task->start_recorded = RecordTheStart(task, stored);
             return task->repair != Candidate::Repair::kNone || task->start_recorded;
           }});
    }
    context_.store.UpdateBatch(&changes);
    for (size_t i = 0; i < chunk.size(); ++i) {
      Candidate& task = *chunk[i];
      const HRESULT result = changes[i].result;
      if (task.note_failed)
        Fail(task, "cannot note its start in its run lock file; not run");
      if (result == S_OK) {
        RepairEvent(task);
        if (task.start_recorded && task.refusal)
          Event(RefusedEventText(task.name, task.refusal_text));
      } else {
        if (result == TRUST_E_SUBJECT_NOT_TRUSTED && task.due) {
          Event(RefusedEventText(task.name, "its file is no longer trusted"));
        } else if (FAILED(result) && result != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
          Fail(task, std::string("cannot record ") +
                         (task.due ? "its start" : "the end of its run") + " (" +
                         HexText(static_cast<DWORD>(result), 8) + ")" +
                         (task.due ? "; not run" : ""));
        }
        task.start_recorded = false;
      }
      if (!task.start_recorded || task.refusal)
        task.lock.Reset(-1);
    }
  }

  // The lock is free, so nothing of that run lives: its note tells
  // whether it began and how it ended.
  void Repair(Candidate* task, JobFile* stored) {
    RunNote note;
    const bool told = ReadRunNote(task->lock.get(), &note) && TellsOf(note, *stored);
    task->unseen_since = stored->run_date;
    if (told && note.state == RunNote::State::kStarting) {
      PutBackRecord(note, stored);
      task->repair = Candidate::Repair::kNeverStarted;
      return;
    }
    RecordUnseenEnd(stored);
    task->repair = Candidate::Repair::kUnseenEnd;
    if (told && note.state == RunNote::State::kEnded) {
      stored->exit_code = task->late_exit_code = note.exit_code;
      task->repair = Candidate::Repair::kLateEnd;
    }
  }

  // The start record, or the refusal; the note first, so that a run-due
  // killed between the record and the start leaves no run that never began
  // recorded as begun.
  bool RecordTheStart(Candidate* task, JobFile* stored) {
    if (task->refusal) {
      RecordRefusal(now_, task->refusal, stored);
      return true;
    }
    const JobFile before = *stored;
    RecordStart(now_, stored);
    task->request.note = StartingNote(before, *stored);
    if (WriteRunNote(task->lock.get(), task->request.note))
      return true;
    *stored = before;
    task->note_failed = true;
    return false;
  }

  void RepairEvent(const Candidate& task) {
    const std::string since = TimeText(task.unseen_since);
    switch (task.repair) {
      case Candidate::Repair::kNone:
        return;
      case Candidate::Repair::kUnseenEnd:
        return Event(TaskEventPrefix(task.name) + "the end of its run since " + since +
                     " was not seen; recorded as ended");
      case Candidate::Repair::kLateEnd:
        return Event(TaskEventPrefix(task.name) + "the end of its run since " + since +
                     " is recorded now: " +
                     ResultInWords(task.late_exit_code, Utf8FromWide(task.job.account_name)));
      case Candidate::Repair::kNeverStarted:
        return Event(TaskEventPrefix(task.name) + "its run of " + since +
                     " never started (run-due was stopped first); its record is as before");
    }
  }

  void StartTasks(const std::vector<Candidate*>& chunk) {
    for (Candidate* task : chunk) {
      if (!task->start_recorded || task->refusal)
        continue;
      Descriptor output;
      std::string why;
      if (context_.outputs &&
          !context_.outputs->Open(folder_key_, task->name, task->request.account, &output, &why))
        Fail(*task, "cannot open its output file (" + why + "); its output is lost");
      task->request.output = output.get();
      task->request.lock = task->lock.get();
      const StartOutcome start = context_.launcher.Start(task->request);
      if (start.started) {
        running_[start.id] = task;
        ++started_;
        continue;
      }
      Fail(*task, start.failure + "; not run");
      task->exit_code = start.exit_code;
      Ended(task);
    }
  }

  void Ended(Candidate* task) {
    if (ended_.empty())
      first_ended_ = steady_clock::now();
    ended_.push_back(task);
  }

  // What became of the started tasks, waiting at most `wait` for news.
  void TakeEnds(std::chrono::milliseconds wait) {
    if (context_.launcher.running() == 0)
      return;
    for (const TaskNews& news : context_.launcher.WaitForNews(wait)) {
      Candidate* task = running_[news.id];
      if (!news.ended()) {
        Event(StartedEventText(task->name, CommandText(task->job), task->request.account.name,
                               news.pid));
        continue;
      }
      running_.erase(news.id);
      TellEnd(*task, news);
      if (!news.output_failure.empty())
        Fail(*task, "cannot write its output file (" + news.output_failure + ")");
      task->exit_code = ExitCodeToRecord(news.outcome, news.exit_code);
      Ended(task);
    }
  }

  void TellEnd(const Candidate& task, const TaskNews& news) {
    switch (news.outcome) {
      case RunOutcome::kNotStarted:
        Event(NotStartedEventText(task.name, news.failure));
        // Whoever asked for this run learns that it did not happen.
        if (only_)
          ++failures_;
        return;
      case RunOutcome::kNoProcess:
        return Fail(task, news.failure + "; not run");
      case RunOutcome::kTimedOut:
        return Event(TimeLimitEventText(task.name, news.exit_code));
      case RunOutcome::kInterrupted:
        Event(InterruptedEventText(task.name, news.exit_code));
        ++failures_;
        return;
      case RunOutcome::kUnseen:
        return Fail(task, "its watcher ended before its program's end; recorded as not seen");
      default:
        return Event(FinishedEventText(task.name, news.exit_code, task.request.account.name));
    }
  }

  // Waits at most `wait` for tasks to end; writes the end records once a
  // batch is full, the first has waited long enough or nothing runs.
  void CollectEnds(std::chrono::milliseconds wait) {
    if (!ended_.empty())
      wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::max(first_ended_ + kEndRecordDelay - steady_clock::now(),
                                         steady_clock::duration::zero())));
    TakeEnds(wait);
    if (!ended_.empty() &&
        (ended_.size() >= TaskStore::kBatchSize ||
         steady_clock::now() >= first_ended_ + kEndRecordDelay || context_.launcher.running() == 0))
      RecordEnds();
  }

  // The lock is let go only once the record is written: a run-due that
  // gets it finds the task recorded as ended.
  void RecordEnds() {
    std::vector<TaskChange> changes;
    for (Candidate* task : ended_) {
      // Kept in the lock file, for a later run-due when this record fails.
      RunNote note = task->request.note;
      note.state = RunNote::State::kEnded;
      note.exit_code = task->exit_code;
      WriteRunNote(task->lock.get(), note);
      changes.push_back({task->file_name, [task](JobFile* stored) {
                           if (!SameJob(task->job, *stored))
                             return false;
                           RecordEnd(task->exit_code, stored);
                           return true;
                         }});
    }
    context_.store.UpdateBatch(&changes);
    for (size_t i = 0; i < ended_.size(); ++i) {
      const HRESULT result = changes[i].result;
      if (FAILED(result) && result != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
        Fail(*ended_[i], "cannot record the run (" + HexText(static_cast<DWORD>(result), 8) +
                             "); a later run-due records it");
      ended_[i]->lock.Reset(-1);
    }
    ended_.clear();
  }

  const RunContext& context_;
  const time_t now_;
  const time_t minute_;
  std::string folder_key_;
  std::vector<std::unique_ptr<Candidate>> candidates_;
  std::map<int, Candidate*> running_;
  std::vector<Candidate*> ended_;
  steady_clock::time_point first_ended_;
  int failures_ = 0;
  int started_ = 0;
  size_t due_ = 0;
  bool scanning_ = false;
  std::vector<std::string> scanned_;
  const std::wstring* only_;
};

}  // namespace

std::optional<std::chrono::milliseconds> TimeLimitOf(const JobFile& job) {
  if (job.maximum_run_time == 0 || job.maximum_run_time == 0xFFFFFFFF)
    return std::nullopt;
  return std::chrono::milliseconds(job.maximum_run_time);
}

int RunDueCommand(const RunContext& context, time_t now) { return MinuteRun(context, now).Run(); }

int RunNowCommand(const RunContext& context, const std::wstring& name, time_t now) {
  std::wstring file_name;
  if (context.store.Find(name, &file_name) != S_OK) {
    context.log << "jobwarden-service: no task is named \"" << VisibleText(Utf8FromWide(name))
                << "\"\n";
    return 1;
  }
  return MinuteRun(context, now, &file_name).Run();
}

std::string CommandText(const JobFile& job) {
  std::string text = Utf8FromWide(job.application_name);
  // Jobwarden keeps what followed a quoted program as it was typed,
  // leading blank and all.
  const std::string parameters = Utf8FromWide(job.parameters);
  const size_t first = parameters.find_first_not_of(" \t");
  if (first != std::string::npos) {
    text += ' ';
    text.append(parameters, first);
  }
  return text;
}

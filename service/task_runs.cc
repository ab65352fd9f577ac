#include "service/task_runs.h"

#include <algorithm>
#include <cstring>

#include "platform/posix/wide_text.h"
#include "service/local_clock.h"
#include "service/run_note.h"
#include "service/run_record.h"
#include "service/task_flags.h"

namespace {

using std::chrono::steady_clock;

// How long an ended task's record may wait for others to share its write.
constexpr std::chrono::milliseconds kEndRecordDelay{100};

bool SameJob(const JobFile& a, const JobFile& b) {
  return std::memcmp(a.job_uuid, b.job_uuid, sizeof(a.job_uuid)) == 0;
}

// What the start record did, decided under the folder's lock.
struct StartRecord {
  bool recorded = false;     // the start (or the refusal) is recorded
  bool note_failed = false;  // its note could not be written: not started
  std::optional<Repair> repair;
  SYSTEMTIME since = {};  // of the repaired run
  DWORD late_exit_code = 0;
};

}  // namespace

struct TaskRuns::TaskRun {
  std::unique_ptr<FoundTask> task;
  StartRecord start;
  DWORD exit_code = 0;  // what the end record gets
};

TaskRuns::TaskRuns(TaskStore& store, TaskLauncher& launcher, TaskOutputs* outputs,
                   RunReport& report, std::string folder_key, time_t now, StillDue still_due)
    : store_(store),
      launcher_(launcher),
      outputs_(outputs),
      report_(report),
      folder_key_(std::move(folder_key)),
      now_(now),
      still_due_(std::move(still_due)) {}

TaskRuns::~TaskRuns() = default;

RunTally TaskRuns::Run(std::vector<std::unique_ptr<FoundTask>> tasks) {
  for (auto& task : tasks)
    runs_.push_back(std::make_unique<TaskRun>(TaskRun{std::move(task), {}, 0}));
  for (size_t first = 0; first < runs_.size(); first += TaskStore::kBatchSize) {
    const size_t end = std::min(runs_.size(), first + TaskStore::kBatchSize);
    std::vector<TaskRun*> chunk;
    for (size_t i = first; i < end; ++i)
      chunk.push_back(runs_[i].get());
    RecordStarts(chunk);
    StartTasks(chunk);
    // The ends so far are only collected: their records wait until every
    // task has started, for a record is a flush the next starts would
    // wait for.
    TakeNews(std::chrono::milliseconds(0));
  }
  while (launcher_.running() > 0 || !ended_.empty())
    CollectEnds(ended_.empty() ? std::chrono::hours(1) : kEndRecordDelay);
  return tally_;
}

// Each task is checked again as stored, under the folder's lock: still the
// task found, still due. A record that says "running", of a run begun
// before this minute whose lock we now hold, is put right from its note
// first. The start's note is written before its record, so that a run-due
// killed between the record and the start leaves no run that never began
// recorded as begun.
void TaskRuns::RecordStarts(const std::vector<TaskRun*>& chunk) {
  const time_t minute = StartOfMinute(now_);
  std::vector<TaskChange> changes;
  for (TaskRun* run : chunk) {
    changes.push_back({run->task->file_name, [this, run, minute](JobFile* stored) {
                         StartRecord start;
                         FoundTask& task = *run->task;
                         if (!SameJob(task.job, *stored))
                           return false;
                         if (stored->status == SCHED_S_TASK_RUNNING &&
                             !RanInMinuteOf(*stored, minute)) {
                           RunNote note;
                           const bool noted = ReadRunNote(task.lock.get(), &note);
                           start.since = stored->run_date;
                           start.repair = RepairRecord(noted ? &note : nullptr, stored);
                           start.late_exit_code = stored->exit_code;
                         }
                         if (task.due && still_due_(*stored)) {
                           if (task.refusal) {
                             RecordRefusal(now_, task.refusal, stored);
                             start.recorded = true;
                           } else {
                             const JobFile before = *stored;
                             RecordStart(now_, stored);
                             task.request.note = StartingNote(before, *stored);
                             start.recorded = WriteRunNote(task.lock.get(), task.request.note);
                             start.note_failed = !start.recorded;
                             if (start.note_failed)
                               *stored = before;
                           }
                         }
                         run->start = start;
                         return start.repair.has_value() || start.recorded;
                       }});
  }
  store_.UpdateBatch(&changes);
  for (size_t i = 0; i < chunk.size(); ++i) {
    TaskRun& run = *chunk[i];
    const FoundTask& task = *run.task;
    const HRESULT result = changes[i].result;
    if (run.start.note_failed)
      report_.Fail(task.name, "cannot note its start in its run lock file; not run");
    if (result == S_OK) {
      if (run.start.repair)
        report_.Event(RepairedEventText(task.name, *run.start.repair, run.start.since,
                                        run.start.late_exit_code,
                                        Utf8FromWide(task.job.account_name)));
      if (run.start.recorded && task.refusal)
        report_.Event(RefusedEventText(task.name, task.refusal_text));
    } else {
      if (result == TRUST_E_SUBJECT_NOT_TRUSTED && task.due) {
        report_.Event(RefusedEventText(task.name, "its file is no longer trusted"));
      } else if (FAILED(result) && result != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        report_.Fail(task.name, std::string("cannot record ") +
                                    (task.due ? "its start" : "the end of its run") + " (" +
                                    HexText(static_cast<DWORD>(result), 8) + ")" +
                                    (task.due ? "; not run" : ""));
      }
      run.start.recorded = false;
    }
    if (!run.start.recorded || task.refusal)
      run.task->lock.Reset(-1);
  }
}

void TaskRuns::StartTasks(const std::vector<TaskRun*>& chunk) {
  for (TaskRun* run : chunk) {
    FoundTask& task = *run->task;
    if (!run->start.recorded || task.refusal)
      continue;
    Descriptor output;
    std::string why;
    if (outputs_ &&
        !outputs_->Open(folder_key_, task.name, task.request.program.account, &output, &why))
      report_.Fail(task.name, "cannot open its output file (" + why + "); its output is lost");
    task.request.output = output.get();
    task.request.lock = task.lock.get();
    const StartOutcome start = launcher_.Start(task.request);
    if (start.started) {
      running_[start.id] = run;
      ++tally_.started;
      continue;
    }
    report_.Fail(task.name, start.failure + "; not run");
    run->exit_code = start.exit_code;
    Ended(run);
  }
}

void TaskRuns::Ended(TaskRun* run) {
  if (ended_.empty())
    first_ended_ = steady_clock::now();
  ended_.push_back(run);
}

// What became of the started tasks, waiting at most `wait` for news.
void TaskRuns::TakeNews(std::chrono::milliseconds wait) {
  if (launcher_.running() == 0)
    return;
  for (const TaskNews& news : launcher_.WaitForNews(wait)) {
    TaskRun* run = running_[news.id];
    const FoundTask& task = *run->task;
    if (!news.ended()) {
      report_.Event(StartedEventText(task.name, CommandText(task.job),
                                     task.request.program.account.name, news.pid));
      continue;
    }
    running_.erase(news.id);
    TellEnd(*run, news);
    if (!news.output_failure.empty())
      report_.Fail(task.name, "cannot write its output file (" + news.output_failure + ")");
    run->exit_code = ExitCodeToRecord(news.outcome, news.exit_code);
    Ended(run);
  }
}

void TaskRuns::TellEnd(TaskRun& run, const TaskNews& news) {
  const std::string& name = run.task->name;
  switch (news.outcome) {
    case RunOutcome::kNotStarted:
      ++tally_.not_started;
      return report_.Event(NotStartedEventText(name, news.failure));
    case RunOutcome::kNoProcess:
      return report_.Fail(name, news.failure + "; not run");
    case RunOutcome::kTimedOut:
      return report_.Event(TimeLimitEventText(name, news.exit_code));
    case RunOutcome::kOnBatteries:
      return report_.Event(OnBatteriesEventText(name, news.exit_code));
    case RunOutcome::kInterrupted:
      ++tally_.interrupted;
      return report_.Event(InterruptedEventText(name, news.exit_code));
    case RunOutcome::kUnseen:
      return report_.Fail(name, "its watcher ended before its program's end; recorded as not seen");
    default:
      return report_.Event(
          FinishedEventText(name, news.exit_code, run.task->request.program.account.name));
  }
}

// Waits at most `wait` for tasks to end; writes the end records once a
// batch is full, the first has waited long enough or nothing runs.
void TaskRuns::CollectEnds(std::chrono::milliseconds wait) {
  if (!ended_.empty())
    wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::max(first_ended_ + kEndRecordDelay - steady_clock::now(),
                                       steady_clock::duration::zero())));
  TakeNews(wait);
  if (!ended_.empty() &&
      (ended_.size() >= TaskStore::kBatchSize ||
       steady_clock::now() >= first_ended_ + kEndRecordDelay || launcher_.running() == 0))
    RecordEnds();
}

// A task with no more runs whose end is recorded, as the record is now,
// deleted under the folder's lock; not a task replaced meanwhile.
void TaskRuns::DeleteIfDone(const FoundTask& task) {
  if (!DeletedWhenDone(task.job, now_))
    return;
  const HRESULT result = store_.Remove(task.file_name, [&](const JobFile& stored) {
    return SameJob(task.job, stored) && DeletedWhenDone(stored, now_);
  });
  if (result == S_OK)
    report_.Event(DeletedEventText(task.name));
  else if (FAILED(result) && result != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
    report_.Fail(task.name, "cannot delete it (" + HexText(static_cast<DWORD>(result), 8) +
                                "); it has no more runs");
}

// The lock is let go only once the record is written: a run-due that gets
// it finds the task recorded as ended. The end is noted in the lock file
// first, for a later run-due to record when this record fails.
void TaskRuns::RecordEnds() {
  std::vector<TaskChange> changes;
  for (TaskRun* run : ended_) {
    RunNote note = run->task->request.note;
    note.state = RunNote::State::kEnded;
    note.exit_code = run->exit_code;
    WriteRunNote(run->task->lock.get(), note);
    changes.push_back({run->task->file_name, [run](JobFile* stored) {
                         if (!SameJob(run->task->job, *stored))
                           return false;
                         RecordEnd(run->exit_code, stored);
                         return true;
                       }});
  }
  store_.UpdateBatch(&changes);
  for (size_t i = 0; i < ended_.size(); ++i) {
    const HRESULT result = changes[i].result;
    if (FAILED(result) && result != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
      report_.Fail(ended_[i]->task->name, "cannot record the run (" +
                                              HexText(static_cast<DWORD>(result), 8) +
                                              "); a later run-due records it");
    if (result == S_OK)
      DeleteIfDone(*ended_[i]->task);
    ended_[i]->task->lock.Reset(-1);
  }
  ended_.clear();
}

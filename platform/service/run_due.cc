#include "platform/service/run_due.h"

#include <cstdio>
#include <cstring>

#include "platform/posix/wide_text.h"
#include "platform/service/local_clock-posix.h"
#include "platform/service/parameter_split.h"
#include "platform/service/run_record.h"

namespace {

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(value));
  return text;
}

class TaskIdentity {
 public:
  explicit TaskIdentity(const JobFile& job) { std::memcpy(uuid_, job.job_uuid, sizeof(uuid_)); }
  bool Matches(const JobFile& job) const {
    return std::memcmp(uuid_, job.job_uuid, sizeof(uuid_)) == 0;
  }

 private:
  BYTE uuid_[16];
};

LaunchRequest RequestFor(const JobFile& job, const Account& account) {
  LaunchRequest request;
  request.program = Utf8FromWide(job.application_name);
  request.arguments = SplitParameters(Utf8FromWide(job.parameters));
  request.working_directory = Utf8FromWide(job.working_directory);
  request.account = account;
  request.time_limit = TimeLimitOf(job);
  return request;
}

}  // namespace

std::optional<std::chrono::milliseconds> TimeLimitOf(const JobFile& job) {
  if (job.maximum_run_time == 0 || job.maximum_run_time == 0xFFFFFFFF)
    return std::nullopt;
  return std::chrono::milliseconds(job.maximum_run_time);
}

HRESULT DueTasks(TaskStore& store, time_t minute, std::vector<std::wstring>* due,
                 std::ostream& log) {
  due->clear();
  std::vector<std::wstring> names;
  const HRESULT listed = store.List(&names);
  if (FAILED(listed))
    return listed;
  for (const std::wstring& name : names) {
    JobFile job;
    std::string refusal;
    const HRESULT read = store.Read(name, &job, &refusal);
    if (read == S_OK && IsJobDueAt(job, minute))
      due->push_back(name);
    else if (read == TRUST_E_SUBJECT_NOT_TRUSTED && IsJobDueAt(job, minute))
      log << "jobwarden-service: " << Utf8FromWide(name) << ": not run: " << refusal << "\n";
  }
  return S_OK;
}

RunResult RunDueTask(const RunContext& context, const std::wstring& file_name, time_t minute,
                     time_t now) {
  const std::string name = Utf8FromWide(file_name);
  const std::string prefix = "jobwarden-service: " + name + ": ";
  Descriptor lock;
  switch (context.locks.TryLock(context.folder_path, name, &lock)) {
    case RunLocks::Outcome::kHeld:
      break;
    case RunLocks::Outcome::kBusy:
      context.log << prefix << "still running; not started again\n";
      return RunResult::kStillRunning;
    case RunLocks::Outcome::kFailed:
      context.log << prefix << "cannot take its run lock; not started\n";
      return RunResult::kFailed;
  }

  JobFile job;
  if (context.store.Read(file_name, &job) != S_OK)
    return RunResult::kGone;
  if (!IsJobDueAt(job, minute))
    return RunResult::kNotDue;
  if (RanInMinuteOf(job, minute))
    return RunResult::kAlreadyRan;
  const TaskIdentity identity(job);
  auto record = [&](auto change) {
    return context.store.Update(file_name, [&](JobFile* stored) {
      if (!identity.Matches(*stored))
        return false;
      change(stored);
      return true;
    });
  };

  Account account;
  DWORD refusal = 0;
  if (job.application_name.empty()) {
    refusal = SCHED_E_TASK_NOT_READY;
    context.log << prefix << "has no program; not run\n";
  } else if (!ResolveAccount(Utf8FromWide(job.account_name), &account)) {
    refusal = kNoSuchAccount;
    context.log << prefix << "the account \"" << Utf8FromWide(job.account_name)
                << "\" does not exist; not run\n";
  }
  if (refusal) {
    record([&](JobFile* stored) { RecordRefusal(now, refusal, stored); });
    return RunResult::kRefused;
  }

  // Checked again in the update that records the start, which holds the
  // task folder's lock from its read to its write: of two run-due
  // processes only one starts the task for this minute.
  bool ran_meanwhile = false;
  const HRESULT start = context.store.Update(file_name, [&](JobFile* stored) {
    if (!identity.Matches(*stored))
      return false;
    ran_meanwhile = RanInMinuteOf(*stored, minute);
    if (ran_meanwhile)
      return false;
    RecordStart(now, stored);
    return true;
  });
  if (ran_meanwhile)
    return RunResult::kAlreadyRan;
  if (start != S_OK)
    return RunResult::kGone;
  const LaunchOutcome outcome = context.launcher.Run(RequestFor(job, account));
  if (!outcome.started)
    context.log << prefix << outcome.failure << "; not run\n";
  if (outcome.timed_out)
    context.log << prefix << "ran past its maximum run time and was ended\n";
  const HRESULT ended = record([&](JobFile* stored) { RecordEnd(outcome.exit_code, stored); });
  if (FAILED(ended) && ended != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
    context.log << prefix << "cannot record the run (" << Hex(static_cast<DWORD>(ended)) << ")\n";
  return RunResult::kRan;
}

#include "service/run_due.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <sstream>

#include "platform/testing/task_folder_testing.h"
#include "platform/testing/trigger_testing.h"
#include "service/result_text.h"
#include "service/run_note.h"
#include "service/service_doubles_testing.h"

namespace {

using namespace service_test;
using testing::HasSubstr;
using namespace test_triggers;

constexpr time_t kNextDay = kDueMinute + 86400;

class RunDueTest : public testing::Test {
 protected:
  void SetUp() override {
    store_.tasks[L"backup.job"] = Task(L"/usr/bin/backup", L"--all \"two words\"");
  }

  static JobFile Task(const std::wstring& program, const std::wstring& parameters) {
    JobFile job;
    job.application_name = program;
    job.parameters = parameters;
    job.comment = L"kept";
    job.author = L"alice";
    job.maximum_run_time = 5000;
    job.job_uuid[0] = 0x42;
    job.triggers.push_back(Daily("2026-12-01 10:21"));
    return job;
  }

  int Run(time_t now = kDueMinute + 7) { return RunDueCommand(context_, now); }
  JobFile& Stored(const std::wstring& name = L"backup.job") { return store_.tasks[name]; }

  TimeZoneForTest zone_{"UTC"};
  MemoryTaskStore store_;
  RecordingLauncher launcher_;
  TestTaskFolder folder_;
  ServiceFolders folders_{folder_.root() + "/state"};
  RunLocks locks_{folders_};
  std::ostringstream log_;
  MemoryEventLog events_;
  RunContext context_{store_, launcher_, locks_, "/tasks", log_, events_};
};

TEST_F(RunDueTest, RunsOnlyTheTasksDueInTheMinute) {
  JobFile later = Task(L"/bin/later", L"");
  later.triggers[0] = Daily("2026-12-01 10:22");
  store_.tasks[L"later.job"] = later;
  store_.unreadable.push_back(L"garbage.job");
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(launcher_.requests.size(), 1u);
  EXPECT_EQ(launcher_.requests[0].program.path, "/usr/bin/backup");
  EXPECT_EQ(Run(kDueMinute + 60), 0);
  ASSERT_EQ(launcher_.requests.size(), 2u);
  EXPECT_EQ(launcher_.requests[1].program.path, "/bin/later");
  EXPECT_EQ(log_.str(), "");
}

// A task the service must not trust is never due, and said so only in the
// minute it would have run; nothing is recorded in it either way.
TEST_F(RunDueTest, NeverRunsATaskItMustNotTrust) {
  store_.tasks[L"planted.job"] = Task(L"/bin/sh", L"-c \"id -u\"");
  store_.untrusted[L"planted.job"] = "the task folder is writable by others";
  const JobFile stored = store_.tasks[L"planted.job"];
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(launcher_.requests.size(), 1u);
  EXPECT_EQ(launcher_.requests[0].program.path, "/usr/bin/backup");
  EXPECT_EQ(log_.str(), "");
  EXPECT_THAT(events_.text,
              HasSubstr("planted.job\tnot run: the task folder is writable by others\n"));
  log_.str("");
  EXPECT_EQ(Run(kDueMinute + 60), 0);
  EXPECT_EQ(log_.str(), "");
  EXPECT_EQ(SerializeJobFile(store_.tasks[L"planted.job"]), SerializeJobFile(stored));

  // Recorded as running by a run whose end nobody saw: left as it is.
  RecordStart(kDueMinute + 3, &store_.tasks[L"planted.job"]);
  const JobFile running = store_.tasks[L"planted.job"];
  EXPECT_EQ(Run(kDueMinute + 120), 0);
  EXPECT_EQ(SerializeJobFile(store_.tasks[L"planted.job"]), SerializeJobFile(running));
  EXPECT_EQ(log_.str(), "");
}

// Trusted when found due, distrusted by the time its start is recorded,
// under the folder's lock: neither started nor written; the others of its
// batch are.
TEST_F(RunDueTest, ATaskDistrustedBeforeItsStartRecordIsNotRun) {
  class DistrustingStore : public MemoryTaskStore {
   public:
    void UpdateBatch(std::vector<TaskChange>* changes) override {
      untrusted[L"backup.job"] = "the file is writable by its group";
      MemoryTaskStore::UpdateBatch(changes);
    }
  } distrusting;
  distrusting.tasks = store_.tasks;
  distrusting.tasks[L"other.job"] = Task(L"/usr/bin/other", L"");
  const JobFile stored = distrusting.tasks[L"backup.job"];
  const RunContext context{distrusting, launcher_, locks_, "/tasks", log_, events_};
  EXPECT_EQ(RunDueCommand(context, kDueMinute), 0);
  ASSERT_EQ(launcher_.requests.size(), 1u);
  EXPECT_EQ(launcher_.requests[0].program.path, "/usr/bin/other");
  EXPECT_EQ(SerializeJobFile(distrusting.tasks[L"backup.job"]), SerializeJobFile(stored));
  EXPECT_EQ(distrusting.tasks[L"other.job"].run_date.wMinute, 21);
  EXPECT_EQ(log_.str(), "");
  EXPECT_THAT(events_.text, HasSubstr("backup.job\tnot run: its file is no longer trusted\n"));
}

TEST_F(RunDueTest, RunsTheProgramAndRecordsTheRun) {
  launcher_.end.exit_code = 3;
  JobFile while_running;
  launcher_.while_running = [&] { while_running = Stored(); };
  EXPECT_EQ(Run(), 0);

  ASSERT_EQ(launcher_.requests.size(), 1u);
  const LaunchRequest& request = launcher_.requests[0];
  EXPECT_EQ(request.program.path, "/usr/bin/backup");
  EXPECT_EQ(request.program.arguments, (std::vector<std::string>{"--all", "two words"}));
  EXPECT_EQ(request.program.working_directory, "");
  EXPECT_EQ(request.time_limit, std::chrono::milliseconds(5000));
  EXPECT_GE(request.lock, 0) << "its watcher must hold its run lock";

  EXPECT_EQ(while_running.status, SCHED_S_TASK_RUNNING);
  EXPECT_EQ(while_running.running_instance_count, 1);
  const JobFile& after = Stored();
  EXPECT_EQ(after.status, SCHED_S_TASK_READY);
  EXPECT_EQ(after.running_instance_count, 0);
  EXPECT_EQ(after.exit_code, 3u);
  EXPECT_EQ(after.run_date.wYear, 2026);
  EXPECT_EQ(after.run_date.wMonth, 12);
  EXPECT_EQ(after.run_date.wDay, 7);
  EXPECT_EQ(after.run_date.wDayOfWeek, 1);
  EXPECT_EQ(after.run_date.wHour, 10);
  EXPECT_EQ(after.run_date.wMinute, 21);
  EXPECT_EQ(after.run_date.wSecond, 7);
  EXPECT_EQ(after.comment, L"kept");
  EXPECT_EQ(after.author, L"alice");
  EXPECT_EQ(after.triggers.size(), 1u);
  EXPECT_EQ(log_.str(), "");
}

TEST_F(RunDueTest, StartsATaskOnceAMinuteAndNotWhileItRuns) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Run(kDueMinute + 40), 0);
  EXPECT_EQ(launcher_.requests.size(), 1u);

  // An earlier run still holds the task when it falls due a day later.
  Descriptor held;
  std::string why;
  ASSERT_EQ(locks_.TryLock("memory", "backup.job", &held, &why), RunLocks::Outcome::kHeld);
  EXPECT_EQ(Run(kNextDay), 0);
  EXPECT_EQ(log_.str(), "");
  EXPECT_THAT(events_.text, HasSubstr("backup.job\tnot started: still running\n"));
  EXPECT_EQ(launcher_.requests.size(), 1u);
  // The same name in another folder is another task.
  store_.key = "other";
  EXPECT_EQ(Run(kNextDay), 0);
  EXPECT_EQ(launcher_.requests.size(), 2u);
}

// Another run-due records its start between this one's read and its own
// record: the task is not started twice.
TEST_F(RunDueTest, StartsNotWhenAnotherRunRecordedItMeanwhile) {
  class RacedStore : public MemoryTaskStore {
   public:
    HRESULT Update(const std::wstring& file_name,
                   const std::function<bool(JobFile*)>& change) override {
      if (!raced_) {
        raced_ = true;
        RecordStart(kDueMinute + 1, &tasks[file_name]);
      }
      return MemoryTaskStore::Update(file_name, change);
    }

   private:
    bool raced_ = false;
  } raced;
  raced.tasks = store_.tasks;
  const RunContext context{raced, launcher_, locks_, "/tasks", log_, events_};
  EXPECT_EQ(RunDueCommand(context, kDueMinute + 2), 0);
  EXPECT_TRUE(launcher_.requests.empty());
  EXPECT_EQ(raced.tasks[L"backup.job"].running_instance_count, 1);
}

// Changed, deleted or replaced between the listing and the start record.
TEST_F(RunDueTest, ChecksTheTaskAgainBeforeItStarts) {
  class ChangingStore : public MemoryTaskStore {
   public:
    std::function<void()> before_update;
    HRESULT Update(const std::wstring& file_name,
                   const std::function<bool(JobFile*)>& change) override {
      if (before_update)
        std::exchange(before_update, nullptr)();
      return MemoryTaskStore::Update(file_name, change);
    }
  } changing;
  const RunContext context{changing, launcher_, locks_, "/tasks", log_, events_};
  changing.tasks = store_.tasks;
  changing.before_update = [&] {
    changing.tasks[L"backup.job"].triggers[0] = Daily("2026-12-01 10:22");
  };
  EXPECT_EQ(RunDueCommand(context, kDueMinute), 0);
  changing.tasks = store_.tasks;
  changing.before_update = [&] { changing.tasks.clear(); };
  EXPECT_EQ(RunDueCommand(context, kDueMinute), 0);
  changing.tasks = store_.tasks;
  changing.before_update = [&] { changing.tasks[L"backup.job"].job_uuid[0] = 0x43; };
  EXPECT_EQ(RunDueCommand(context, kDueMinute), 0);
  EXPECT_EQ(changing.tasks[L"backup.job"].run_date.wYear, 0);
  EXPECT_TRUE(launcher_.requests.empty());
  EXPECT_EQ(log_.str(), "");
}

TEST_F(RunDueTest, ADeletedOrReplacedTaskKeepsNoRecordOfTheRun) {
  launcher_.while_running = [&] { store_.tasks.erase(L"backup.job"); };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(store_.tasks.count(L"backup.job"), 0u);

  store_.tasks[L"backup.job"] = Task(L"/usr/bin/backup", L"");
  JobFile replacement = Task(L"/usr/bin/other", L"");
  replacement.job_uuid[0] = 0x43;
  launcher_.while_running = [&] { Stored() = replacement; };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Stored().application_name, L"/usr/bin/other");
  EXPECT_EQ(Stored().status, replacement.status);
  EXPECT_EQ(Stored().run_date.wYear, 0);
  EXPECT_EQ(log_.str(), "");
}

TEST_F(RunDueTest, RefusesATaskThatCannotStartAndRecordsWhy) {
  store_.tasks[L"bare.job"] = Task(L"", L"");
  store_.tasks.erase(L"backup.job");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Stored(L"bare.job").exit_code, SCHED_E_TASK_NOT_READY);
  EXPECT_EQ(Stored(L"bare.job").status, SCHED_S_TASK_READY);
  EXPECT_EQ(Stored(L"bare.job").run_date.wMinute, 21);
  EXPECT_EQ(log_.str(), "");
  EXPECT_EQ(events_.text, "run-due: 1 task due\nbare.job\tnot run: it has no program\n");
  EXPECT_TRUE(launcher_.requests.empty());
}

TEST_F(RunDueTest, RootRefusesAnAccountThatDoesNotExist) {
  if (geteuid() != 0)
    GTEST_SKIP() << "only a service run by root switches accounts";
  Stored().account_name = L"no-such-user-jw";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Stored().exit_code, kNoSuchAccount);
  EXPECT_EQ(log_.str(), "");
  EXPECT_THAT(events_.text,
              HasSubstr("backup.job\tnot run: the account no-such-user-jw does not exist\n"));
  EXPECT_TRUE(launcher_.requests.empty());

  Stored().account_name = L"nobody";
  EXPECT_EQ(Run(kNextDay), 0);
  ASSERT_EQ(launcher_.requests.size(), 1u);
  EXPECT_TRUE(launcher_.requests[0].program.account.switch_user);
  EXPECT_EQ(launcher_.requests[0].program.account.name, "nobody");
}

// The process started, but the program did not.
TEST_F(RunDueTest, ReportsAProgramThatCouldNotStart) {
  launcher_.end.outcome = RunOutcome::kNotStarted;
  launcher_.end.exit_code = 0x80070002;
  launcher_.end.failure = "cannot start /usr/bin/backup: No such file or directory";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Stored().exit_code, 0x80070002u);
  EXPECT_EQ(Stored().status, SCHED_S_TASK_READY);
  EXPECT_EQ(Stored().running_instance_count, 0);
  EXPECT_EQ(log_.str(), "");
  EXPECT_THAT(events_.text, HasSubstr("backup.job\tcould not start: cannot start /usr/bin/backup: "
                                      "No such file or directory\n"));

  // No process for it: not the task's fault but the machine's, and
  // run-due itself failed.
  log_.str("");
  launcher_.start.started = false;
  launcher_.start.exit_code = 0x80070004;
  launcher_.start.failure = "cannot start a process: Too many open files";
  EXPECT_EQ(Run(kNextDay), 1);
  EXPECT_EQ(Stored().exit_code, 0x80070004u);
  EXPECT_EQ(Stored().running_instance_count, 0);
  EXPECT_EQ(log_.str(),
            "jobwarden-service: backup.job: cannot start a process: Too many open files; not "
            "run\n");
}

TEST_F(RunDueTest, ATaskWhoseLockCannotBeTakenIsNotRunAndFails) {
  ServiceFolders no_folders("");
  const RunLocks nowhere(no_folders);
  const RunContext context{store_, launcher_, nowhere, "/tasks", log_, events_};
  EXPECT_EQ(RunDueCommand(context, kDueMinute), 1);
  EXPECT_TRUE(launcher_.requests.empty());
  EXPECT_EQ(Stored().run_date.wYear, 0);
  EXPECT_EQ(log_.str(),
            "jobwarden-service: backup.job: cannot take its run lock (no state folder (neither "
            "XDG_STATE_HOME nor a home)); not run\n");
}

// The run-due that started it was killed: the record says "running" but
// nothing holds the task's lock any more.
TEST_F(RunDueTest, RepairsTheRecordOfARunWhoseEndWasNotSeen) {
  RecordStart(kDueMinute + 3, &Stored());
  Descriptor held;
  std::string why;
  ASSERT_EQ(locks_.TryLock("memory", "backup.job", &held, &why), RunLocks::Outcome::kHeld);
  EXPECT_EQ(Run(kDueMinute + 60), 0);
  EXPECT_EQ(Stored().status, SCHED_S_TASK_RUNNING) << "a run that still lives is left alone";
  EXPECT_EQ(log_.str(), "");

  held.Reset(-1);
  EXPECT_EQ(Run(kDueMinute + 60), 0);
  EXPECT_EQ(Stored().status, SCHED_S_TASK_READY);
  EXPECT_EQ(Stored().running_instance_count, 0);
  EXPECT_EQ(Stored().exit_code, kRunEndNotSeen);
  EXPECT_EQ(Stored().run_date.wMinute, 21);
  EXPECT_TRUE(launcher_.requests.empty());
  EXPECT_EQ(log_.str(), "");
  EXPECT_THAT(events_.text, HasSubstr("backup.job\tthe end of its run since 2026-12-07 10:21 "
                                      "was not seen; recorded as ended\n"));

  // A run-due killed between a start record and the start: the run never
  // began, and the record is put back as it was before it.
  const JobFile before = Stored();
  RecordStart(kDueMinute + 90, &Stored());
  ASSERT_EQ(locks_.TryLock("memory", "backup.job", &held, &why), RunLocks::Outcome::kHeld);
  ASSERT_TRUE(WriteRunNote(held.get(), StartingNote(before, Stored())));
  held.Reset(-1);
  events_.text.clear();
  EXPECT_EQ(Run(kDueMinute + 180), 0);
  EXPECT_EQ(SerializeJobFile(Stored()), SerializeJobFile(before));
  EXPECT_EQ(events_.text,
            "backup.job\tits run of 2026-12-07 10:22 never started (run-due was "
            "stopped first); its record is as before\n");

  // Due again while so recorded: repaired, then started, in one record.
  RecordStart(kDueMinute + 3, &Stored());
  EXPECT_EQ(Run(kNextDay), 0);
  EXPECT_EQ(launcher_.requests.size(), 1u);
  EXPECT_EQ(Stored().running_instance_count, 0);
  EXPECT_EQ(Stored().exit_code, 0u);
  EXPECT_EQ(Stored().run_date.wDay, 8);
}

// Each batch of starts is written before its tasks start, and the ends
// only once every task has started.
TEST_F(RunDueTest, RecordsABurstInBatches) {
  class WatchedStore : public MemoryTaskStore {
   public:
    explicit WatchedStore(const RecordingLauncher& launcher) : launcher_(launcher) {}
    // The tasks started and the changes of each batch.
    std::vector<std::pair<size_t, size_t>> calls;
    void UpdateBatch(std::vector<TaskChange>* changes) override {
      calls.emplace_back(launcher_.requests.size(), changes->size());
      MemoryTaskStore::UpdateBatch(changes);
    }

   private:
    const RecordingLauncher& launcher_;
  } store(launcher_);
  constexpr int kTasks = 300;
  store.tasks = store_.tasks;
  for (int i = 0; i < kTasks; ++i)
    store.tasks[L"t" + std::to_wstring(i) + L".job"] = Task(L"/bin/true", L"");
  const RunContext context{store, launcher_, locks_, "/tasks", log_, events_};
  EXPECT_EQ(RunDueCommand(context, kDueMinute), 0);
  EXPECT_EQ(launcher_.requests.size(), kTasks + 1u);
  EXPECT_EQ(store.calls,
            (std::vector<std::pair<size_t, size_t>>{{0, 128}, {128, 128}, {256, 45}, {301, 301}}));
  // Three holds of the folder's lock for the starts, three for the ends.
  EXPECT_EQ(store.batches, 6);
  for (const auto& [name, job] : store.tasks) {
    EXPECT_EQ(job.status, SCHED_S_TASK_READY);
    EXPECT_EQ(job.run_date.wMinute, 21);
  }
}

TEST_F(RunDueTest, ARecordThatCannotBeWrittenIsReportedNotDropped) {
  class FullStore : public MemoryTaskStore {
   public:
    int writable = 1;
    HRESULT Update(const std::wstring& file_name,
                   const std::function<bool(JobFile*)>& change) override {
      if (writable-- <= 0)
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
      return MemoryTaskStore::Update(file_name, change);
    }
  } full;
  full.tasks = store_.tasks;
  launcher_.end.exit_code = 3;
  const RunContext context{full, launcher_, locks_, "/tasks", log_, events_};
  EXPECT_EQ(RunDueCommand(context, kDueMinute), 1);
  EXPECT_EQ(launcher_.requests.size(), 1u);
  EXPECT_EQ(log_.str(),
            "jobwarden-service: backup.job: cannot record the run (0x80070070); a later run-due "
            "records it\n");

  std::ostringstream log;
  MemoryEventLog events;
  const RunContext again{full, launcher_, locks_, "/tasks", log, events};
  EXPECT_EQ(RunDueCommand(again, kNextDay), 1);
  EXPECT_EQ(launcher_.requests.size(), 1u);
  EXPECT_EQ(log.str(),
            "jobwarden-service: backup.job: cannot record its start (0x80070070); not run\n");

  // With room again, the end kept in the run lock file is recorded.
  full.writable = 1;
  MemoryEventLog later;
  const RunContext roomy{full, launcher_, locks_, "/tasks", log, later};
  EXPECT_EQ(RunDueCommand(roomy, kNextDay + 60), 0);
  EXPECT_EQ(later.text,
            "backup.job\tthe end of its run since 2026-12-07 10:21 is recorded now: exit code 3\n");
  EXPECT_EQ(full.tasks[L"backup.job"].exit_code, 3u);
  EXPECT_EQ(full.tasks[L"backup.job"].status, SCHED_S_TASK_READY);
}

TEST_F(RunDueTest, FailsWhenTheFolderCannotBeListed) {
  class UnlistableStore : public MemoryTaskStore {
    HRESULT List(std::vector<std::wstring>*) override {
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    }
  } store;
  const RunContext context{store, launcher_, locks_, "/home/a/tasks", log_, events_};
  EXPECT_EQ(RunDueCommand(context, kDueMinute), 1);
  EXPECT_EQ(log_.str(),
            "jobwarden-service: cannot list the task folder /home/a/tasks (0x80070003)\n");
}

// run NAME: the task now, once, whether due or not, with the records and
// events of a scheduled run; an unknown name is said, not run.
TEST_F(RunDueTest, RunsANamedTaskNowWhetherDueOrNot) {
  launcher_.end.exit_code = 3;
  EXPECT_EQ(RunNowCommand(context_, L"backup", kDueMinute + 3600), 0);
  ASSERT_EQ(launcher_.requests.size(), 1u);
  EXPECT_EQ(Stored().run_date.wHour, 11);
  EXPECT_EQ(Stored().exit_code, 3u);
  EXPECT_EQ(Stored().status, SCHED_S_TASK_READY);
  EXPECT_THAT(events_.text, HasSubstr("backup.job\tfinished: exit code 3\n"));
  EXPECT_THAT(log_.str(), HasSubstr("jobwarden-service: backup.job\tfinished: exit code 3\n"));

  // Asked for by name, it runs again in the same minute.
  EXPECT_EQ(RunNowCommand(context_, L"backup.job", kDueMinute + 3600 + 20), 0);
  EXPECT_EQ(launcher_.requests.size(), 2u);

  log_.str("");
  EXPECT_EQ(RunNowCommand(context_, L"nothing", kDueMinute), 1);
  EXPECT_EQ(log_.str(), "jobwarden-service: no task is named \"nothing\"\n");
  EXPECT_EQ(launcher_.requests.size(), 2u);

  // Still running: not started again, and the asker is told.
  Descriptor held;
  std::string why;
  ASSERT_EQ(locks_.TryLock("memory", "backup.job", &held, &why), RunLocks::Outcome::kHeld);
  log_.str("");
  EXPECT_EQ(RunNowCommand(context_, L"backup", kNextDay), 1);
  EXPECT_EQ(log_.str(), "jobwarden-service: backup.job\tnot started: still running\n");
  EXPECT_EQ(launcher_.requests.size(), 2u);
  held.Reset(-1);

  // A program that could not start: the asker gets status 1.
  launcher_.end.outcome = RunOutcome::kNotStarted;
  launcher_.end.failure = "cannot start /usr/bin/backup: No such file or directory";
  EXPECT_EQ(RunNowCommand(context_, L"backup", kNextDay + 60), 1);
  EXPECT_EQ(launcher_.requests.size(), 3u);
}

// A run that reached its time limit is recorded as the service ended it,
// and its events say so.
TEST_F(RunDueTest, RecordsARunEndedAtItsTimeLimit) {
  launcher_.end.exit_code = 128 + 15;
  launcher_.end.outcome = RunOutcome::kTimedOut;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Stored().exit_code, SCHED_S_TASK_TERMINATED);
  EXPECT_THAT(events_.text, HasSubstr("backup.job\tended at its maximum run time: exit code 143 "
                                      "(128 + SIGTERM)\n"));
}

// Cron stopped: each trusted task that fell due meanwhile is told in one
// line, how often bounded, and not run for it; nothing on the first run
// nor without a minute between two runs.
TEST_F(RunDueTest, LogsTheRunsMissedSinceTheRunNotedBefore) {
  std::string why;
  const RunDueStamp stamp(folders_.State(&why));
  context_.stamp = &stamp;
  JobFile every_minute = Task(L"/bin/often", L"");
  every_minute.triggers[0] = Repeating(Daily("2026-01-01 00:00"), 1, 24 * 60);
  store_.tasks[L"often.job"] = every_minute;
  store_.tasks[L"planted.job"] = every_minute;
  store_.untrusted[L"planted.job"] = "the file has 2 links";
  const time_t days_before = kDueMinute - 3 * 86400;
  const struct {
    time_t now;
    std::string missed;
  } runs[] = {
      {days_before - 60, ""},
      {days_before, ""},
      {kDueMinute + 7,
       "backup.job\tmissed 2 runs: 2026-12-05 10:21 to 2026-12-06 10:21\n"
       "often.job\tmissed more than 100 runs since 2026-12-04 10:22\n"},
      {kNextDay + 60,
       "backup.job\tmissed: 2026-12-08 10:21\n"
       "often.job\tmissed more than 100 runs since 2026-12-07 10:22\n"},
      {kNextDay + 5 * 60, "often.job\tmissed 3 runs: 2026-12-08 10:23 to 2026-12-08 10:25\n"},
      {kNextDay + 5 * 60 + 365 * 86400,
       "backup.job\tmissed more than 100 runs since 2026-12-09 10:21\n"
       "often.job\tmissed more than 100 runs since 2026-12-08 10:27\n"},
  };
  for (const auto& run : runs) {
    events_.text.clear();
    EXPECT_EQ(Run(run.now), 0);
    std::istringstream lines(events_.text);
    std::string missed;
    for (std::string line; std::getline(lines, line);)
      missed += line.find("\tmissed") != std::string::npos ? line + "\n" : "";
    EXPECT_EQ(missed, run.missed) << run.now;
  }
  // Only the runs of each run-due's own minute.
  EXPECT_EQ(launcher_.requests.size(), 8u);
  EXPECT_EQ(log_.str(), "");
}

}  // namespace

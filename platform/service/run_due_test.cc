#include "platform/service/run_due.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "platform/service/run_record.h"
#include "platform/service/service_doubles_testing.h"
#include "platform/testing/task_folder_testing.h"
#include "platform/testing/trigger_testing.h"

namespace {

using namespace service_test;
using namespace test_triggers;

class RunDueTest : public testing::Test {
 protected:
  void SetUp() override {
    UseUtc();
    store_.tasks[L"backup.job"] = Task(L"/usr/bin/backup", L"--all \"two words\"");
  }
  void TearDown() override {
    unsetenv("TZ");
    tzset();
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

  RunResult Run(const std::wstring& name = L"backup.job", time_t seconds_in = 7) {
    return RunDueTask(context_, name, kDueMinute, kDueMinute + seconds_in);
  }

  MemoryTaskStore store_;
  RecordingLauncher launcher_;
  TestTaskFolder folder_;
  RunLocks locks_{folder_.root() + "/running"};
  std::ostringstream log_;
  RunContext context_{store_, launcher_, locks_, "/tasks", log_};
};

TEST_F(RunDueTest, FindsTheTasksDueInTheMinute) {
  JobFile later = Task(L"/bin/true", L"");
  later.triggers[0] = Daily("2026-12-01 10:22");
  store_.tasks[L"later.job"] = later;
  store_.unreadable.push_back(L"garbage.job");
  std::vector<std::wstring> due;
  EXPECT_EQ(DueTasks(store_, kDueMinute, &due, log_), S_OK);
  EXPECT_EQ(due, std::vector<std::wstring>{L"backup.job"});
  EXPECT_EQ(DueTasks(store_, kDueMinute + 60, &due, log_), S_OK);
  EXPECT_EQ(due, std::vector<std::wstring>{L"later.job"});
}

// A task the service must not trust is never due, and said so only in the
// minute it would have run; nothing is recorded in it either way.
TEST_F(RunDueTest, NeverRunsATaskItMustNotTrust) {
  store_.tasks[L"planted.job"] = Task(L"/bin/sh", L"-c \"id -u\"");
  store_.untrusted[L"planted.job"] = "the task folder is writable by others";
  const JobFile stored = store_.tasks[L"planted.job"];
  std::vector<std::wstring> due;
  EXPECT_EQ(DueTasks(store_, kDueMinute, &due, log_), S_OK);
  EXPECT_EQ(due, std::vector<std::wstring>{L"backup.job"});
  EXPECT_EQ(log_.str(),
            "jobwarden-service: planted.job: not run: the task folder is writable by others\n");
  log_.str("");
  EXPECT_EQ(DueTasks(store_, kDueMinute + 60, &due, log_), S_OK);
  EXPECT_TRUE(due.empty());
  EXPECT_EQ(log_.str(), "");

  // Trusted when found due, distrusted by the time it is read again.
  EXPECT_EQ(Run(L"planted.job"), RunResult::kGone);
  EXPECT_TRUE(launcher_.requests.empty());
  EXPECT_EQ(SerializeJobFile(store_.tasks[L"planted.job"]), SerializeJobFile(stored));
}

TEST_F(RunDueTest, RunsTheProgramAndRecordsTheRun) {
  launcher_.outcome.exit_code = 3;
  JobFile while_running;
  launcher_.while_running = [&] { while_running = store_.tasks[L"backup.job"]; };
  EXPECT_EQ(Run(), RunResult::kRan);

  ASSERT_EQ(launcher_.requests.size(), 1u);
  const LaunchRequest& request = launcher_.requests[0];
  EXPECT_EQ(request.program, "/usr/bin/backup");
  EXPECT_EQ(request.arguments, (std::vector<std::string>{"--all", "two words"}));
  EXPECT_EQ(request.working_directory, "");
  EXPECT_EQ(request.time_limit, std::chrono::milliseconds(5000));

  EXPECT_EQ(while_running.status, SCHED_S_TASK_RUNNING);
  EXPECT_EQ(while_running.running_instance_count, 1);
  const JobFile& after = store_.tasks[L"backup.job"];
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
  EXPECT_EQ(Run(), RunResult::kRan);
  EXPECT_EQ(Run(L"backup.job", 40), RunResult::kAlreadyRan);
  EXPECT_EQ(launcher_.requests.size(), 1u);

  // An earlier run still holds the task when it falls due a day later.
  Descriptor held;
  ASSERT_EQ(locks_.TryLock("/tasks", "backup.job", &held), RunLocks::Outcome::kHeld);
  EXPECT_EQ(RunDueTask(context_, L"backup.job", kDueMinute + 86400, kDueMinute + 86400),
            RunResult::kStillRunning);
  EXPECT_EQ(log_.str(), "jobwarden-service: backup.job: still running; not started again\n");
  // The same name in another folder is another task.
  const RunContext other_folder{store_, launcher_, locks_, "/other", log_};
  EXPECT_EQ(RunDueTask(other_folder, L"backup.job", kDueMinute + 86400, kDueMinute + 86400),
            RunResult::kRan);
  held.Reset(-1);
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
  const RunContext context{raced, launcher_, locks_, "/tasks", log_};
  EXPECT_EQ(RunDueTask(context, L"backup.job", kDueMinute, kDueMinute + 2), RunResult::kAlreadyRan);
  EXPECT_TRUE(launcher_.requests.empty());
  EXPECT_EQ(raced.tasks[L"backup.job"].running_instance_count, 1);
}

TEST_F(RunDueTest, ChecksTheTaskAgainBeforeItStarts) {
  EXPECT_EQ(RunDueTask(context_, L"backup.job", kDueMinute + 60, kDueMinute + 60),
            RunResult::kNotDue);
  EXPECT_EQ(Run(L"deleted.job"), RunResult::kGone);
  EXPECT_TRUE(launcher_.requests.empty());
}

TEST_F(RunDueTest, ADeletedOrReplacedTaskKeepsNoRecordOfTheRun) {
  launcher_.while_running = [&] { store_.tasks.erase(L"backup.job"); };
  EXPECT_EQ(Run(), RunResult::kRan);
  EXPECT_EQ(store_.tasks.count(L"backup.job"), 0u);

  store_.tasks[L"backup.job"] = Task(L"/usr/bin/backup", L"");
  JobFile replacement = Task(L"/usr/bin/other", L"");
  replacement.job_uuid[0] = 0x43;
  launcher_.while_running = [&] { store_.tasks[L"backup.job"] = replacement; };
  EXPECT_EQ(Run(), RunResult::kRan);
  EXPECT_EQ(store_.tasks[L"backup.job"].application_name, L"/usr/bin/other");
  EXPECT_EQ(store_.tasks[L"backup.job"].status, replacement.status);
  EXPECT_EQ(store_.tasks[L"backup.job"].run_date.wYear, 0);
}

TEST_F(RunDueTest, RefusesATaskThatCannotStartAndRecordsWhy) {
  store_.tasks[L"bare.job"] = Task(L"", L"");
  EXPECT_EQ(Run(L"bare.job"), RunResult::kRefused);
  EXPECT_EQ(store_.tasks[L"bare.job"].exit_code, SCHED_E_TASK_NOT_READY);
  EXPECT_EQ(store_.tasks[L"bare.job"].status, SCHED_S_TASK_READY);
  EXPECT_EQ(store_.tasks[L"bare.job"].run_date.wMinute, 21);
  EXPECT_EQ(log_.str(), "jobwarden-service: bare.job: has no program; not run\n");
  EXPECT_TRUE(launcher_.requests.empty());
}

TEST_F(RunDueTest, RootRefusesAnAccountThatDoesNotExist) {
  if (geteuid() != 0)
    GTEST_SKIP() << "only a service run by root switches accounts";
  store_.tasks[L"backup.job"].account_name = L"no-such-user-jw";
  EXPECT_EQ(Run(), RunResult::kRefused);
  EXPECT_EQ(store_.tasks[L"backup.job"].exit_code, kNoSuchAccount);
  EXPECT_EQ(
      log_.str(),
      "jobwarden-service: backup.job: the account \"no-such-user-jw\" does not exist; not run\n");
  EXPECT_TRUE(launcher_.requests.empty());

  store_.tasks[L"backup.job"].account_name = L"nobody";
  EXPECT_EQ(RunDueTask(context_, L"backup.job", kDueMinute + 86400, kDueMinute + 86400),
            RunResult::kRan);
  ASSERT_EQ(launcher_.requests.size(), 1u);
  EXPECT_TRUE(launcher_.requests[0].account.switch_user);
  EXPECT_EQ(launcher_.requests[0].account.name, "nobody");
}

TEST_F(RunDueTest, ReportsAProgramThatCouldNotStart) {
  launcher_.outcome.started = false;
  launcher_.outcome.exit_code = 0x80070002;
  launcher_.outcome.failure = "cannot start /usr/bin/backup: No such file or directory";
  EXPECT_EQ(Run(), RunResult::kRan);
  EXPECT_EQ(store_.tasks[L"backup.job"].exit_code, 0x80070002u);
  EXPECT_EQ(store_.tasks[L"backup.job"].status, SCHED_S_TASK_READY);
  EXPECT_EQ(log_.str(),
            "jobwarden-service: backup.job: cannot start /usr/bin/backup: No such file or "
            "directory; not run\n");
}

TEST(TimeLimitTest, ZeroAndInfiniteSetNone) {
  JobFile job;
  job.maximum_run_time = 0;
  EXPECT_FALSE(TimeLimitOf(job));
  job.maximum_run_time = 0xFFFFFFFF;
  EXPECT_FALSE(TimeLimitOf(job));
  job.maximum_run_time = 259200000;
  EXPECT_EQ(TimeLimitOf(job), std::chrono::hours(72));
}

}  // namespace

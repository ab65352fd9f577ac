// run-due with the real task folder, run locks and processes: a run-due
// killed while its task runs, a folder spelled two ways, a burst of a
// thousand tasks due at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "platform/posix/wide_text.h"
#include "platform/testing/task_folder_testing.h"
#include "platform/testing/trigger_testing.h"
#include "service/run_due.h"
#include "service/service_doubles_testing.h"

namespace {

using service_test::kDueMinute;
constexpr time_t kNextDay = kDueMinute + 86400;

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);)
    lines.push_back(line);
  return lines;
}

// Gone, or a zombie that nobody has reaped.
bool HasEnded(pid_t process) {
  std::ifstream file("/proc/" + std::to_string(process) + "/stat");
  std::stringstream text;
  text << file.rdbuf();
  const std::string stat = text.str();
  const size_t state = stat.rfind(')');
  return stat.empty() || (state != std::string::npos && stat.compare(state, 3, ") Z") == 0);
}

template <typename Condition>
bool WaitFor(Condition condition) {
  for (int i = 0; i < 400; ++i) {
    if (condition())
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return condition();
}

class RealRunDueTest : public testing::Test {
 protected:
  void SetUp() override { folder_.Create(); }

  // A task due daily at 10:21 whose program is /bin/sh -c `script`.
  void Store(const std::string& name, const std::string& script, int uuid = 0x42) {
    JobFile job;
    job.application_name = L"/bin/sh";
    job.parameters = WideFromUtf8("-c \"" + script + "\"");
    job.job_uuid[0] = static_cast<BYTE>(uuid);
    job.job_uuid[1] = static_cast<BYTE>(uuid >> 8);
    job.triggers.push_back(test_triggers::Daily("2026-12-01 10:21"));
    const std::vector<uint8_t> bytes = SerializeJobFile(job);
    TestTaskFolder::Write(path_ + "/" + name, std::string(bytes.begin(), bytes.end()));
  }
  JobFile Stored(const std::string& name) {
    FolderTaskStore store(path_, false);
    JobFile job;
    EXPECT_EQ(store.Read(WideFromUtf8(name), &job), S_OK);
    return job;
  }

  // One run-due, as cron starts it, on the folder spelled `folder`.
  int RunDue(time_t now, const std::string& folder, std::string* log_text = nullptr) {
    FolderTaskStore store(folder, false);
    ProcessLauncher launcher;
    ServiceFolders folders(state_);
    const RunLocks locks(folders);
    std::ostringstream log;
    service_test::MemoryEventLog events;
    const RunContext context{store, launcher, locks, folder, log, events};
    const int status = RunDueCommand(context, now);
    // What it said where cron sends its output, then its events.
    if (log_text)
      *log_text = log.str() + events.text;
    return status;
  }
  pid_t RunDueInChild(time_t now, const std::string& folder) {
    const pid_t child = fork();
    if (child == 0)
      _exit(RunDue(now, folder));
    return child;
  }
  static int ExitStatusOf(pid_t child) {
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Appends its process id to `starts`, then waits for `release`.
  std::string Waiting() const {
    return "echo $$ >> " + starts_ + "; while [ ! -e " + release_ + " ]; do sleep 0.05; done";
  }

  service_test::TimeZoneForTest zone_{"UTC"};
  TestTaskFolder folder_;
  const std::string path_ = folder_.path();
  const std::string state_ = folder_.root() + "/state";
  const std::string starts_ = folder_.root() + "/starts";
  const std::string release_ = folder_.root() + "/release";
};

// kill -9 of run-due while its task runs: the task's watcher keeps its
// lock, so the next due minute starts no second copy; once it has ended,
// the next run-due records the end the watcher noted, and the task runs
// again.
TEST_F(RealRunDueTest, AKilledRunDueLosesNothingAndStartsNoSecondCopy) {
  Store("wait.job", Waiting());
  const pid_t run_due = RunDueInChild(kDueMinute + 1, path_);
  ASSERT_TRUE(WaitFor([&] { return Lines(starts_).size() == 1; }));
  kill(run_due, SIGKILL);
  ExitStatusOf(run_due);
  const pid_t task = std::stoi(Lines(starts_)[0]);
  ASSERT_FALSE(HasEnded(task));

  std::string log;
  EXPECT_EQ(RunDue(kNextDay, path_, &log), 0);
  EXPECT_EQ(log, "run-due: 1 task due\nwait.job\tnot started: still running\n");
  EXPECT_EQ(RunDue(kNextDay + 60, path_, &log), 0);
  EXPECT_EQ(log, "");
  EXPECT_EQ(Lines(starts_).size(), 1u);
  EXPECT_EQ(Stored("wait.job").status, SCHED_S_TASK_RUNNING);

  TestTaskFolder::Write(release_, "");
  ASSERT_TRUE(WaitFor([&] { return HasEnded(task); }));
  EXPECT_EQ(RunDue(kNextDay + 120, path_, &log), 0);
  EXPECT_EQ(log,
            "wait.job\tthe end of its run since 2026-12-07 10:21 is recorded now: exit code 0\n");
  JobFile repaired = Stored("wait.job");
  EXPECT_EQ(repaired.status, SCHED_S_TASK_READY);
  EXPECT_EQ(repaired.running_instance_count, 0);
  EXPECT_EQ(repaired.exit_code, 0u);

  EXPECT_EQ(RunDue(kNextDay + 86400, path_, &log), 0);
  EXPECT_EQ(log.substr(0, log.find("started")), "run-due: 1 task due\nwait.job\t");
  EXPECT_EQ(Lines(starts_).size(), 2u);
  EXPECT_EQ(Stored("wait.job").status, SCHED_S_TASK_READY);
  EXPECT_EQ(Stored("wait.job").exit_code, 0u);
}

// The lock belongs to the folder, not to how its path was typed.
TEST_F(RealRunDueTest, OneTaskOneLockHoweverTheFolderIsSpelled) {
  Store("wait.job", Waiting());
  const pid_t run_due = RunDueInChild(kDueMinute + 1, path_);
  ASSERT_TRUE(WaitFor([&] { return Lines(starts_).size() == 1; }));
  for (const std::string& spelling : {path_ + "/", path_ + "/.", path_ + "//"}) {
    std::string log;
    EXPECT_EQ(RunDue(kNextDay, spelling, &log), 0);
    EXPECT_EQ(log, "run-due: 1 task due\nwait.job\tnot started: still running\n") << spelling;
  }
  TestTaskFolder::Write(release_, "");
  EXPECT_EQ(ExitStatusOf(run_due), 0);
  EXPECT_EQ(Lines(starts_).size(), 1u);
  EXPECT_EQ(Stored("wait.job").running_instance_count, 0);
}

// Every task of a burst starts once and is recorded, and none is left
// "running"; several run-due processes of the minute share the work.
TEST_F(RealRunDueTest, EveryTaskOfAThousandDueAtOnceStartsOnceAndIsRecorded) {
  constexpr int kTasks = 1000;
  for (int i = 0; i < kTasks; ++i)
    Store("t" + std::to_string(i) + ".job", "echo t" + std::to_string(i) + " >> " + starts_, i);
  std::string log;
  EXPECT_EQ(RunDue(kDueMinute + 1, path_, &log), 0);
  // Nothing but the minute's line and each task's start and end.
  std::istringstream said(log);
  std::string event;
  size_t started = 0, finished = 0, other = 0;
  while (std::getline(said, event)) {
    if (event.find("\tstarted: /bin/sh") != std::string::npos)
      ++started;
    else if (event.find("\tfinished: exit code 0") != std::string::npos)
      ++finished;
    else if (event != "run-due: 1000 tasks due")
      ++other;
  }
  EXPECT_EQ(started, 1000u);
  EXPECT_EQ(finished, 1000u);
  EXPECT_EQ(other, 0u);
  std::map<std::string, int> starts;
  for (const std::string& line : Lines(starts_))
    ++starts[line];
  EXPECT_EQ(starts.size(), static_cast<size_t>(kTasks));
  for (const auto& [task, count] : starts)
    EXPECT_EQ(count, 1) << task;
  for (int i = 0; i < kTasks; ++i) {
    const JobFile job = Stored("t" + std::to_string(i) + ".job");
    EXPECT_EQ(job.status, SCHED_S_TASK_READY) << i;
    EXPECT_EQ(job.running_instance_count, 0) << i;
    EXPECT_EQ(job.exit_code, 0u) << i;
    EXPECT_EQ(job.run_date.wMinute, 21) << i;
  }
}

TEST_F(RealRunDueTest, OverlappingRunDueProcessesStartEachTaskOnce) {
  constexpr int kTasks = 200, kProcesses = 4;
  for (int i = 0; i < kTasks; ++i)
    Store("t" + std::to_string(i) + ".job", "echo t" + std::to_string(i) + " >> " + starts_, i);
  std::vector<pid_t> runs;
  for (int i = 0; i < kProcesses; ++i)
    runs.push_back(RunDueInChild(kDueMinute + 1, path_));
  for (pid_t run : runs)
    EXPECT_EQ(ExitStatusOf(run), 0);
  std::map<std::string, int> starts;
  for (const std::string& line : Lines(starts_))
    ++starts[line];
  EXPECT_EQ(starts.size(), static_cast<size_t>(kTasks));
  for (const auto& [task, count] : starts)
    EXPECT_EQ(count, 1) << task;
  for (int i = 0; i < kTasks; ++i)
    EXPECT_EQ(Stored("t" + std::to_string(i) + ".job").running_instance_count, 0) << i;
}

}  // namespace

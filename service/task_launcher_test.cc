#include "service/task_launcher.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>

#include "platform/posix/descriptor-posix.h"
#include "platform/posix/hresult_from_errno-posix.h"
#include "platform/testing/temporary_folder_testing.h"

namespace {

std::string Contents(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Gone, or a zombie that nobody has reaped yet.
bool HasEnded(pid_t process) {
  const std::string stat = Contents("/proc/" + std::to_string(process) + "/stat");
  const size_t state = stat.rfind(')');
  return stat.empty() || (state != std::string::npos && stat.compare(state, 3, ") Z") == 0);
}

struct Ran {
  bool started = false;
  DWORD exit_code = 0;
  bool timed_out = false;
  std::string failure;
};

// The ends among the launcher's news, waiting at most `wait` for news.
std::vector<TaskNews> Ends(ProcessLauncher& launcher, std::chrono::milliseconds wait) {
  std::vector<TaskNews> ends = launcher.WaitForNews(wait);
  std::erase_if(ends, [](const TaskNews& news) { return !news.ended(); });
  return ends;
}

// Starts the request and waits for its end.
Ran RunToEnd(ProcessLauncher& launcher, const LaunchRequest& request) {
  const StartOutcome start = launcher.Start(request);
  if (!start.started)
    return {false, start.exit_code, false, start.failure};
  for (;;) {
    for (const TaskNews& end : Ends(launcher, std::chrono::seconds(60))) {
      if (end.id == start.id)
        return {end.outcome != RunOutcome::kNotStarted, end.exit_code,
                end.outcome == RunOutcome::kTimedOut, end.failure};
    }
  }
}

// /bin/sh -c SCRIPT sh ARGUMENTS...: a program that tells what it got.
LaunchRequest Shell(const std::string& script, std::vector<std::string> arguments = {}) {
  LaunchRequest request;
  request.program.path = "/bin/sh";
  request.program.arguments = {"-c", script, "sh"};
  request.program.arguments.insert(request.program.arguments.end(), arguments.begin(),
                                   arguments.end());
  return request;
}

TEST(TaskLauncherTest, ReportsTheExitStatus) {
  ProcessLauncher launcher;
  const Ran outcome = RunToEnd(launcher, Shell("exit 7"));
  EXPECT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exit_code, 7u);
  EXPECT_FALSE(outcome.timed_out);
}

TEST(TaskLauncherTest, PassesArgumentsAsTheyAreAndInputFromDevNull) {
  TemporaryFolder folder;
  ProcessLauncher launcher;
  LaunchRequest request = Shell("printf '%s|' \"$@\" > out; cat >> out", {"$HOME", "*", "a b"});
  request.program.working_directory = folder.path();
  EXPECT_EQ(RunToEnd(launcher, request).exit_code, 0u);
  EXPECT_EQ(Contents(folder.path() + "/out"), "$HOME|*|a b|");
}

TEST(TaskLauncherTest, RunsInTheWorkingDirectoryElseTheHome) {
  TemporaryFolder work, home;
  ProcessLauncher launcher;
  LaunchRequest request = Shell("pwd > \"$1\"", {work.path() + "/where"});
  request.program.working_directory = work.path();
  request.program.account.home = home.path();
  RunToEnd(launcher, request);
  EXPECT_EQ(Contents(work.path() + "/where"), work.path() + "\n");

  request.program.working_directory.clear();
  RunToEnd(launcher, request);
  EXPECT_EQ(Contents(work.path() + "/where"), home.path() + "\n");

  request.program.account.home = home.path() + "/missing";
  RunToEnd(launcher, request);
  EXPECT_EQ(Contents(work.path() + "/where"), "/\n");
}

TEST(TaskLauncherTest, SaysWhyAProgramCouldNotStart) {
  ProcessLauncher launcher;
  LaunchRequest request;
  request.program.path = "no-such-program-jobwarden";
  Ran outcome = RunToEnd(launcher, request);
  EXPECT_FALSE(outcome.started);
  EXPECT_EQ(outcome.exit_code, static_cast<DWORD>(HresultFromErrno(ENOENT)));
  EXPECT_EQ(outcome.failure, "cannot start no-such-program-jobwarden: No such file or directory");

  request = Shell("exit 0");
  request.program.working_directory = "/no/such/folder";
  outcome = RunToEnd(launcher, request);
  EXPECT_FALSE(outcome.started);
  EXPECT_EQ(outcome.exit_code, static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_DIRECTORY)));
  EXPECT_EQ(outcome.failure,
            "cannot enter the working directory /no/such/folder: No such file or directory");
}

// Started one after another without waiting for their programs: each
// failure is answered for its own task, with its own reason.
TEST(TaskLauncherTest, TellsEachOfManyStartsWhetherItsProgramRan) {
  ProcessLauncher launcher;
  std::map<int, int> task_of_id;
  for (int task = 0; task < 60; ++task) {
    LaunchRequest request = Shell("exit " + std::to_string(task % 100));
    if (task % 3 == 0) {
      request = LaunchRequest();
      request.program.path = "no-such-program-" + std::to_string(task);
    }
    const StartOutcome start = launcher.Start(request);
    ASSERT_TRUE(start.started) << start.failure;
    task_of_id[start.id] = task;
  }
  std::map<int, TaskNews> ends;
  while (launcher.running() > 0) {
    for (TaskNews& end : Ends(launcher, std::chrono::seconds(10)))
      ends[task_of_id.at(end.id)] = std::move(end);
  }
  ASSERT_EQ(ends.size(), 60u);
  for (const auto& [task, end] : ends) {
    if (task % 3 == 0) {
      EXPECT_EQ(end.outcome, RunOutcome::kNotStarted) << task;
      EXPECT_EQ(end.exit_code, static_cast<DWORD>(HresultFromErrno(ENOENT))) << task;
      EXPECT_EQ(end.failure, "cannot start no-such-program-" + std::to_string(task) +
                                 ": No such file or directory");
    } else {
      EXPECT_EQ(end.outcome, RunOutcome::kFinished) << task;
      EXPECT_EQ(end.exit_code, static_cast<DWORD>(task)) << end.failure;
    }
  }
}

TEST(TaskLauncherTest, EndsAProgramThatRunsPastItsTimeLimit) {
  ProcessLauncher launcher(false, std::chrono::milliseconds(300));
  LaunchRequest request = Shell("sleep 30");
  request.time_limit = std::chrono::milliseconds(200);
  Ran outcome = RunToEnd(launcher, request);
  EXPECT_TRUE(outcome.timed_out);
  EXPECT_EQ(outcome.exit_code, 128u + SIGTERM);

  // One that ignores SIGTERM is killed after the grace period, with the
  // children of its process group.
  TemporaryFolder folder;
  request = Shell("trap '' TERM; sleep 30 & echo $! > \"$1\"; wait", {folder.path() + "/pid"});
  request.time_limit = std::chrono::milliseconds(200);
  outcome = RunToEnd(launcher, request);
  EXPECT_TRUE(outcome.timed_out);
  EXPECT_EQ(outcome.exit_code, 128u + SIGKILL);
  const pid_t sleeper = std::stoi(Contents(folder.path() + "/pid"));
  usleep(100 * 1000);
  EXPECT_TRUE(HasEnded(sleeper)) << "the task's child is still alive";
}

// A task gets nothing of the service's or its caller's: not the run lock,
// not a descriptor the caller left open without close-on-exec, not the
// terminal (a session of its own), not the umask, an ignored signal or the
// open-file limit the service raised.
TEST(TaskLauncherTest, ATaskGetsNothingOfTheServicesOrItsCallers) {
  TemporaryFolder folder;
  const Descriptor lock(open(folder.path().c_str(), O_RDONLY | O_CLOEXEC));
  const Descriptor callers(open("/dev/null", O_RDONLY));  // no close-on-exec
  const Descriptor output(
      open((folder.path() + "/out").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  rlimit limit = {};
  getrlimit(RLIMIT_NOFILE, &limit);
  const mode_t umask_before = umask(077);
  const auto interrupt_before = signal(SIGINT, SIG_IGN);
  ProcessLauncher launcher;  // raises the open-file limit
  LaunchRequest request = Shell(
      "ls /proc/$$/fd; umask; ulimit -n; "
      "set -- $(cut -d' ' -f6,7 /proc/$$/stat); [ $1 = $$ ] && echo leads its session, tty $2; "
      "grep SigIgn /proc/$$/status");
  request.lock = lock.get();
  request.output = output.get();
  const Ran outcome = RunToEnd(launcher, request);
  signal(SIGINT, interrupt_before);
  umask(umask_before);
  EXPECT_EQ(outcome.exit_code, 0u) << outcome.failure;
  EXPECT_EQ(Contents(folder.path() + "/out"), "0\n1\n2\n0022\n" + std::to_string(limit.rlim_cur) +
                                                  "\nleads its session, tty 0\n"
                                                  "SigIgn:\t0000000000000000\n");
}

// One wait for every task: each end is answered as it comes, and each
// task's time limit is its own.
TEST(TaskLauncherTest, WatchesManyTasksAtOnce) {
  ProcessLauncher launcher(false, std::chrono::milliseconds(300));
  LaunchRequest slow = Shell("sleep 30");
  slow.time_limit = std::chrono::milliseconds(1500);
  const StartOutcome long_one = launcher.Start(slow);
  const StartOutcome short_one = launcher.Start(Shell("exit 4"));
  ASSERT_TRUE(long_one.started && short_one.started);
  EXPECT_EQ(launcher.running(), 2u);
  std::vector<TaskNews> ends;
  while (ends.empty())
    ends = Ends(launcher, std::chrono::seconds(10));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].id, short_one.id);
  EXPECT_EQ(ends[0].exit_code, 4u);
  EXPECT_EQ(launcher.running(), 1u);
  EXPECT_TRUE(Ends(launcher, std::chrono::milliseconds(0)).empty());
  ends.clear();
  while (ends.empty())
    ends = Ends(launcher, std::chrono::seconds(10));
  EXPECT_EQ(ends[0].id, long_one.id);
  EXPECT_EQ(ends[0].outcome, RunOutcome::kTimedOut);
  EXPECT_EQ(launcher.running(), 0u);
}

TEST(TaskLauncherTest, RootRunsANamedAccountsTaskAsThatUser) {
  if (geteuid() != 0)
    GTEST_SKIP() << "only root switches accounts";
  TemporaryFolder folder;
  chmod(folder.path().c_str(), 0777);
  Account nobody;
  ASSERT_TRUE(ResolveAccount("nobody", &nobody));
  ProcessLauncher launcher;
  setenv("JOBWARDEN_TASKS_DIR", "/root/tasks", 1);
  LaunchRequest request =
      Shell("echo \"$(id -u) $(id -g) $HOME $USER ${JOBWARDEN_TASKS_DIR-unset}\" > out");
  request.program.working_directory = folder.path();
  request.program.account = nobody;
  EXPECT_EQ(RunToEnd(launcher, request).exit_code, 0u);
  EXPECT_EQ(Contents(folder.path() + "/out"), std::to_string(nobody.uid) + " " +
                                                  std::to_string(nobody.gid) + " " + nobody.home +
                                                  " nobody unset\n");
  unsetenv("JOBWARDEN_TASKS_DIR");
}

// What the program writes to its standard output, which is the service's.
std::string OutputOf(const LaunchRequest& request, const std::string& file) {
  const Descriptor output(open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  LaunchRequest with_output = request;
  with_output.output = output.get();
  ProcessLauncher launcher;
  const Ran outcome = RunToEnd(launcher, with_output);
  EXPECT_TRUE(outcome.started) << outcome.failure;
  return Contents(file);
}

// The service's own variables, the secret it inherited and its PATH reach
// no task: "env" is found in the task's PATH and prints all it got.
TEST(TaskLauncherTest, GivesATaskItsAccountsEnvironmentOnly) {
  TemporaryFolder work, home;
  const std::string path = getenv("PATH");
  setenv("PATH", "/nonexistent", 1);
  setenv("SECRET_TOKEN", "s3cret", 1);
  setenv("JOBWARDEN_TASKS_DIR", "/root/tasks", 1);
  LaunchRequest request;
  request.program.path = "env";
  request.program.working_directory = work.path();
  request.program.account.name = "alice";
  request.program.account.home = home.path();
  request.program.account.shell = "/bin/bash";
  const std::string expected =
      "HOME=" + home.path() +
      "\nLOGNAME=alice\nPATH=/usr/local/bin:/usr/bin:/bin\nPWD=" + work.path() +
      "\nSHELL=/bin/bash\nUSER=alice\n";
  EXPECT_EQ(OutputOf(request, work.path() + "/env"), expected);

  // Started in the home when there is no working directory, else in "/".
  request.program.working_directory.clear();
  EXPECT_EQ(OutputOf(request, work.path() + "/env"),
            "HOME=" + home.path() + "\nLOGNAME=alice\nPATH=/usr/local/bin:/usr/bin:/bin\nPWD=" +
                home.path() + "\nSHELL=/bin/bash\nUSER=alice\n");
  request.program.account.home = home.path() + "/missing";
  EXPECT_EQ(OutputOf(request, work.path() + "/env"),
            "HOME=" + home.path() +
                "/missing\nLOGNAME=alice\nPATH=/usr/local/bin:/usr/bin:/bin\nPWD=/\n"
                "SHELL=/bin/bash\nUSER=alice\n");
  setenv("PATH", path.c_str(), 1);
  unsetenv("SECRET_TOKEN");
  unsetenv("JOBWARDEN_TASKS_DIR");
}

TEST(TaskLauncherTest, ANamedAccountsTaskGetsThatAccountsEnvironment) {
  if (geteuid() != 0)
    GTEST_SKIP() << "only root switches accounts";
  TemporaryFolder folder;
  Account nobody;
  ASSERT_TRUE(ResolveAccount("nobody", &nobody));
  struct stat home;
  if (stat(nobody.home.c_str(), &home) == 0)
    GTEST_SKIP() << "nobody's home " << nobody.home << " exists on this machine";
  setenv("SECRET_TOKEN", "s3cret", 1);
  LaunchRequest request;
  request.program.path = "env";
  request.program.account = nobody;
  EXPECT_EQ(OutputOf(request, folder.path() + "/env"),
            "HOME=" + nobody.home +
                "\nLOGNAME=nobody\nPATH=/usr/local/bin:/usr/bin:/bin\nPWD=/\nSHELL=" +
                nobody.shell + "\nUSER=nobody\n");
  unsetenv("SECRET_TOKEN");
}

}  // namespace

#include "platform/service/task_launcher-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

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

// /bin/sh -c SCRIPT sh ARGUMENTS...: a program that tells what it got.
LaunchRequest Shell(const std::string& script, std::vector<std::string> arguments = {}) {
  LaunchRequest request;
  request.program = "/bin/sh";
  request.arguments = {"-c", script, "sh"};
  request.arguments.insert(request.arguments.end(), arguments.begin(), arguments.end());
  return request;
}

TEST(TaskLauncherTest, ReportsTheExitStatus) {
  ProcessLauncher launcher;
  const LaunchOutcome outcome = launcher.Run(Shell("exit 7"));
  EXPECT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exit_code, 7u);
  EXPECT_FALSE(outcome.timed_out);
}

TEST(TaskLauncherTest, PassesArgumentsAsTheyAreAndInputFromDevNull) {
  TemporaryFolder folder;
  ProcessLauncher launcher;
  LaunchRequest request = Shell("printf '%s|' \"$@\" > out; cat >> out", {"$HOME", "*", "a b"});
  request.working_directory = folder.path();
  EXPECT_EQ(launcher.Run(request).exit_code, 0u);
  EXPECT_EQ(Contents(folder.path() + "/out"), "$HOME|*|a b|");
}

TEST(TaskLauncherTest, RunsInTheWorkingDirectoryElseTheHome) {
  TemporaryFolder work, home;
  ProcessLauncher launcher;
  LaunchRequest request = Shell("pwd > \"$1\"", {work.path() + "/where"});
  request.working_directory = work.path();
  request.account.home = home.path();
  launcher.Run(request);
  EXPECT_EQ(Contents(work.path() + "/where"), work.path() + "\n");

  request.working_directory.clear();
  launcher.Run(request);
  EXPECT_EQ(Contents(work.path() + "/where"), home.path() + "\n");

  request.account.home = home.path() + "/missing";
  launcher.Run(request);
  EXPECT_EQ(Contents(work.path() + "/where"), "/\n");
}

TEST(TaskLauncherTest, SaysWhyAProgramCouldNotStart) {
  ProcessLauncher launcher;
  LaunchRequest request;
  request.program = "no-such-program-jobwarden";
  LaunchOutcome outcome = launcher.Run(request);
  EXPECT_FALSE(outcome.started);
  EXPECT_EQ(outcome.exit_code, static_cast<DWORD>(HresultFromErrno(ENOENT)));
  EXPECT_EQ(outcome.failure, "cannot start no-such-program-jobwarden: No such file or directory");

  request = Shell("exit 0");
  request.working_directory = "/no/such/folder";
  outcome = launcher.Run(request);
  EXPECT_FALSE(outcome.started);
  EXPECT_EQ(outcome.failure,
            "cannot enter the working directory /no/such/folder: No such file or directory");
}

TEST(TaskLauncherTest, EndsAProgramThatRunsPastItsTimeLimit) {
  ProcessLauncher launcher(std::chrono::milliseconds(300));
  LaunchRequest request = Shell("sleep 30");
  request.time_limit = std::chrono::milliseconds(200);
  LaunchOutcome outcome = launcher.Run(request);
  EXPECT_TRUE(outcome.timed_out);
  EXPECT_EQ(outcome.exit_code, 128u + SIGTERM);

  // One that ignores SIGTERM is killed after the grace period, with the
  // children of its process group.
  TemporaryFolder folder;
  request = Shell("trap '' TERM; sleep 30 & echo $! > \"$1\"; wait", {folder.path() + "/pid"});
  request.time_limit = std::chrono::milliseconds(200);
  outcome = launcher.Run(request);
  EXPECT_TRUE(outcome.timed_out);
  EXPECT_EQ(outcome.exit_code, 128u + SIGKILL);
  const pid_t sleeper = std::stoi(Contents(folder.path() + "/pid"));
  usleep(100 * 1000);
  EXPECT_TRUE(HasEnded(sleeper)) << "the task's child is still alive";
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
  request.working_directory = folder.path();
  request.account = nobody;
  EXPECT_EQ(launcher.Run(request).exit_code, 0u);
  EXPECT_EQ(Contents(folder.path() + "/out"), std::to_string(nobody.uid) + " " +
                                                  std::to_string(nobody.gid) + " " + nobody.home +
                                                  " nobody unset\n");
  unsetenv("JOBWARDEN_TASKS_DIR");
}

// What the program writes to its standard output, which is the service's.
std::string OutputOf(const LaunchRequest& request, const std::string& file) {
  fflush(stdout);
  const int saved = dup(1);
  const int output = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  dup2(output, 1);
  close(output);
  ProcessLauncher launcher;
  const LaunchOutcome outcome = launcher.Run(request);
  dup2(saved, 1);
  close(saved);
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
  request.program = "env";
  request.working_directory = work.path();
  request.account.name = "alice";
  request.account.home = home.path();
  request.account.shell = "/bin/bash";
  const std::string expected =
      "HOME=" + home.path() +
      "\nLOGNAME=alice\nPATH=/usr/local/bin:/usr/bin:/bin\nPWD=" + work.path() +
      "\nSHELL=/bin/bash\nUSER=alice\n";
  EXPECT_EQ(OutputOf(request, work.path() + "/env"), expected);

  // Started in the home when there is no working directory, else in "/".
  request.working_directory.clear();
  EXPECT_EQ(OutputOf(request, work.path() + "/env"),
            "HOME=" + home.path() + "\nLOGNAME=alice\nPATH=/usr/local/bin:/usr/bin:/bin\nPWD=" +
                home.path() + "\nSHELL=/bin/bash\nUSER=alice\n");
  request.account.home = home.path() + "/missing";
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
  request.program = "env";
  request.account = nobody;
  EXPECT_EQ(OutputOf(request, folder.path() + "/env"),
            "HOME=" + nobody.home +
                "\nLOGNAME=nobody\nPATH=/usr/local/bin:/usr/bin:/bin\nPWD=/\nSHELL=" +
                nobody.shell + "\nUSER=nobody\n");
  unsetenv("SECRET_TOKEN");
}

TEST(AccountTest, SystemAccountIsTheServicesOwn) {
  Account account;
  ASSERT_TRUE(ResolveAccount("", &account));
  EXPECT_FALSE(account.switch_user);
  EXPECT_EQ(account.uid, geteuid());
  const passwd* self = getpwuid(geteuid());
  if (self && self->pw_shell && *self->pw_shell) {
    EXPECT_EQ(account.shell, self->pw_shell);
  }
  if (geteuid() == 0) {
    EXPECT_FALSE(ResolveAccount("no-such-user-jw", &account));
  } else {
    // An ordinary user's service runs every task as that user.
    ASSERT_TRUE(ResolveAccount("no-such-user-jw", &account));
    EXPECT_FALSE(account.switch_user);
  }
}

}  // namespace

#include "service/service_commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/testing/temporary_folder_testing.h"
#include "platform/testing/trigger_testing.h"
#include "service/service_doubles_testing.h"

namespace {

using namespace service_test;
using namespace test_triggers;

const char kLine[] =
    "* * * * * test -x '/opt/jw/bin/jobwarden-service' && /usr/bin/env "
    "JOBWARDEN_TASKS_DIR='/home/a/tasks' '/opt/jw/bin/jobwarden-service' run-due "
    "# jobwarden-service\n";
const char kBootLine[] =
    "@reboot test -x '/opt/jw/bin/jobwarden-service' && /usr/bin/env "
    "JOBWARDEN_TASKS_DIR='/home/a/tasks' '/opt/jw/bin/jobwarden-service' system-start "
    "# jobwarden-service\n";
// A user's own line, with the service's mark, and a commented-out copy of
// the service's: neither is the service's line.
const char kLookalikes[] =
    "0 3 * * * backup --all # jobwarden-service\n"
    "#* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/home/a/tasks' '/opt/jw/bin/jobwarden-service' "
    "run-due # jobwarden-service\n";

TEST(ServiceCommandsTest, InstallAddsTheLinePairAndKeepsTheRest) {
  MemoryCrontab crontab;
  crontab.text = std::string("MAILTO=a\n") + kLookalikes;
  std::ostringstream out, err;
  EXPECT_EQ(
      InstallCommand(crontab, {}, "/opt/jw/bin/jobwarden-service", "/home/a/tasks", "", out, err),
      0);
  EXPECT_EQ(
      InstallCommand(crontab, {}, "/opt/jw/bin/jobwarden-service", "/home/a/tasks", "", out, err),
      0);
  EXPECT_EQ(crontab.text, std::string("MAILTO=a\n") + kLookalikes + kLine + kBootLine);
  EXPECT_EQ(crontab.writes, 1);
  EXPECT_EQ(
      out.str(),
      "jobwarden-service is installed: cron runs it every minute for the tasks in /home/a/tasks\n"
      "jobwarden-service is installed: cron runs it every minute for the tasks in /home/a/tasks\n");
  EXPECT_EQ(err.str(), "");

  std::ostringstream out2;
  EXPECT_EQ(UninstallCommand(crontab, {}, out2, err), 0);
  EXPECT_EQ(UninstallCommand(crontab, {}, out2, err), 0);
  EXPECT_EQ(crontab.text, std::string("MAILTO=a\n") + kLookalikes);
  EXPECT_EQ(out2.str(), "jobwarden-service is uninstalled\njobwarden-service was not installed\n");
  EXPECT_EQ(crontab.writes, 2);

  // An install of a version before the @reboot line is completed; either
  // line left alone is the service's to remove.
  crontab.text = std::string("a\n") + kLine + "b\n";
  EXPECT_EQ(
      InstallCommand(crontab, {}, "/opt/jw/bin/jobwarden-service", "/home/a/tasks", "", out, err),
      0);
  EXPECT_EQ(crontab.text, std::string("a\n") + kLine + kBootLine + "b\n");
  crontab.text = kBootLine;
  std::ostringstream out3;
  EXPECT_EQ(UninstallCommand(crontab, {}, out3, err), 0);
  EXPECT_EQ(crontab.text, "");
  EXPECT_EQ(out3.str(), "jobwarden-service is uninstalled\n");
}

TEST(ServiceCommandsTest, ACrontabThatCannotBeReadIsLeftAlone) {
  MemoryCrontab crontab;
  crontab.text = "0 5 * * * backup\n";
  crontab.readable = false;
  std::ostringstream out, err;
  EXPECT_EQ(InstallCommand(crontab, {}, "/bin/jobwarden-service", "/t", "", out, err), 1);
  EXPECT_EQ(UninstallCommand(crontab, {}, out, err), 1);
  EXPECT_EQ(crontab.writes, 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(),
            "jobwarden-service: cannot read the crontab: crontab: permission denied\n"
            "jobwarden-service: cannot read the crontab: crontab: permission denied\n");

  std::ostringstream err2;
  crontab.readable = true;
  EXPECT_EQ(InstallCommand(crontab, {}, "/bin/jobwarden-service", "/t/100%", "", out, err2), 1);
  EXPECT_EQ(crontab.writes, 0);
  EXPECT_EQ(err2.str(),
            "jobwarden-service: the program's path or a folder holds a character a crontab "
            "line cannot carry (line break or \"%\"), or the program's path an \"=\"\n");
}

// Root's install for the folder the system service runs adds nothing, so
// that no task runs from two lines; any other folder gets its line.
TEST(ServiceCommandsTest, TheSystemServiceTakesTheFolderItRuns) {
  const SystemService system{"/etc/cron.d/jobwarden", true};
  MemoryCrontab crontab;
  crontab.text = kLookalikes;
  std::ostringstream out, err;
  EXPECT_EQ(InstallCommand(crontab, system, "/usr/bin/jobwarden-service", kSystemTaskFolder, "",
                           out, err),
            0);
  EXPECT_EQ(crontab.writes, 0);
  EXPECT_EQ(InstallCommand(crontab, system, "/opt/jw/bin/jobwarden-service", "/home/a/tasks", "",
                           out, err),
            0);
  EXPECT_EQ(UninstallCommand(crontab, system, out, err), 0);
  EXPECT_EQ(crontab.text, kLookalikes);
  EXPECT_EQ(out.str(),
            "jobwarden-service is installed as the system service (/etc/cron.d/jobwarden): cron "
            "runs it every minute for the tasks in /var/lib/jobwarden/tasks; nothing was added to "
            "root's crontab (jobwarden-service uninstall removes an older line from it)\n"
            "jobwarden-service is installed: cron runs it every minute for the tasks in "
            "/home/a/tasks\n"
            "jobwarden-service is uninstalled\n"
            "jobwarden-service is still installed as the system service: /etc/cron.d/jobwarden "
            "belongs to the jobwarden package (apt remove jobwarden stops it)\n");
  EXPECT_EQ(err.str(), "");
}

// The crontab program's side: a stand-in that keeps the crontab in a file
// and answers as cron's crontab does when there is none.
TEST(CommandCrontabTest, ReadsAndWritesThroughTheCrontabProgram) {
  TemporaryFolder folder;
  const std::string program = folder.path() + "/crontab";
  std::ofstream(program) << "#!/bin/sh\n"
                            "tab=\"$1\"; shift\n"
                            "case \"$1\" in\n"
                            "  -l) [ -f \"$tab\" ] || { echo \"no crontab for $(id -un)\" >&2; "
                            "exit 1; }; cat \"$tab\" ;;\n"
                            "  -) cat > \"$tab\" ;;\n"
                            "  *) echo \"bad usage\" >&2; exit 2 ;;\n"
                            "esac\n";
  chmod(program.c_str(), 0700);
  setenv("JOBWARDEN_CRONTAB", (program + " \"" + folder.path() + "/my tab\"").c_str(), 1);
  CommandCrontab crontab;
  std::string text = "stale", error;
  EXPECT_TRUE(crontab.Read(&text, &error)) << error;
  EXPECT_EQ(text, "");
  EXPECT_TRUE(crontab.Write("0 5 * * * backup\n", &error)) << error;
  EXPECT_TRUE(crontab.Read(&text, &error)) << error;
  EXPECT_EQ(text, "0 5 * * * backup\n");

  setenv("JOBWARDEN_CRONTAB", (program + " /no/such/folder/tab").c_str(), 1);
  CommandCrontab broken;
  EXPECT_FALSE(broken.Write("x\n", &error));
  EXPECT_NE(error.find(program + ": "), std::string::npos) << error;

  setenv("JOBWARDEN_CRONTAB", "/no/such/crontab-program", 1);
  CommandCrontab missing;
  EXPECT_FALSE(missing.Read(&text, &error));
  EXPECT_EQ(error, "/no/such/crontab-program could not be started");
  unsetenv("JOBWARDEN_CRONTAB");
}

class CanonicalPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char* resolved = realpath(scratch_.path().c_str(), nullptr);
    ASSERT_NE(resolved, nullptr);
    root_ = resolved;
    free(resolved);
    ASSERT_EQ(mkdir((root_ + "/real").c_str(), 0700), 0);
    ASSERT_EQ(symlink("real", (root_ + "/link").c_str()), 0);
    char current[4096];
    ASSERT_NE(getcwd(current, sizeof(current)), nullptr);
    previous_ = current;
  }
  void TearDown() override { EXPECT_EQ(chdir(previous_.c_str()), 0); }

  TemporaryFolder scratch_;
  std::string root_;
  std::string previous_;
};

TEST_F(CanonicalPathTest, AnExistingFolderHasItsLinksResolved) {
  EXPECT_EQ(CanonicalPath(root_ + "/link"), root_ + "/real");
  EXPECT_EQ(CanonicalPath(root_ + "//link/./../link/"), root_ + "/real");
  EXPECT_EQ(CanonicalPath("/"), "/");
}

TEST_F(CanonicalPathTest, ARelativePathIsTakenFromTheCurrentDirectory) {
  ASSERT_EQ(chdir((root_ + "/link").c_str()), 0);
  EXPECT_EQ(CanonicalPath("."), root_ + "/real");
  EXPECT_EQ(CanonicalPath("my tasks"), root_ + "/real/my tasks");
  EXPECT_EQ(CanonicalPath("../link/a"), root_ + "/real/a");
}

TEST_F(CanonicalPathTest, AFolderNotThereYetIsAppendedToThePartThatIs) {
  EXPECT_EQ(CanonicalPath(root_ + "/link/new/tasks/"), root_ + "/real/new/tasks");
  EXPECT_EQ(CanonicalPath(root_ + "/link/new/./x/../tasks"), root_ + "/real/new/tasks");
  EXPECT_EQ(CanonicalPath(root_ + "/link/new/../../up"), root_ + "/up");
}

}  // namespace

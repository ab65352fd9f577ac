#include "service/crontab_text.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/testing/temporary_folder_testing.h"
#include "service/child_process.h"

namespace {

const char kLine[] =
    "* * * * * test -x '/bin/jobwarden-service' && /usr/bin/env JOBWARDEN_TASKS_DIR='/t' "
    "'/bin/jobwarden-service' run-due # jobwarden-service";
// As versions before the program's test wrote it.
const char kEnvLine[] =
    "* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/env/t' '/env/jobwarden-service' run-due "
    "# jobwarden-service";
// As versions before env wrote it: the variables set by a Bourne shell.
const char kOldLine[] =
    "* * * * * JOBWARDEN_TASKS_DIR='/old/t' XDG_STATE_HOME='/s' '/old/jobwarden-service' run-due "
    "# jobwarden-service";

TEST(CrontabTextTest, ServiceLineQuotesItsValues) {
  EXPECT_EQ(ServiceLine("/bin/jobwarden-service", "/t"), std::string(kLine));
  EXPECT_EQ(ServiceLine("/opt/it's here/jobwarden-service", "/home/a b/tasks!"),
            std::string("* * * * * test -x '/opt/it'\\''s here/jobwarden-service' && "
                        "/usr/bin/env JOBWARDEN_TASKS_DIR='/home/a b/tasks'\\!'' "
                        "'/opt/it'\\''s here/jobwarden-service' run-due # jobwarden-service"));
  EXPECT_EQ(ServiceLine("/bin/jobwarden-service!", "/t=1", "/s"),
            std::string("* * * * * test -x '/bin/jobwarden-service'\\!'' && /usr/bin/env "
                        "JOBWARDEN_TASKS_DIR='/t=1' XDG_STATE_HOME='/s' "
                        "'/bin/jobwarden-service'\\!'' run-due # jobwarden-service"));
  EXPECT_FALSE(ServiceLine("/bin/jobwarden-service", "/t/100%"));
  EXPECT_FALSE(ServiceLine("/bin/jobwarden-service", "/t", "/s%"));
  EXPECT_FALSE(ServiceLine("/bin/x\ny", "/t"));
  EXPECT_FALSE(ServiceLine("/bin/x", std::string("/t\0u", 4)));
  // env would set it as one more variable and run no program.
  EXPECT_FALSE(ServiceLine("/opt/a=b/jobwarden-service", "/t"));
}

// The @reboot line of system-start: the service's, but not one that says
// it runs every minute.
TEST(CrontabTextTest, TheBootLineIsTheServicesButNotAMinuteLine) {
  const std::string boot = *ServiceBootLine("/bin/jobwarden-service", "/t", "/s");
  EXPECT_EQ(boot,
            "@reboot test -x '/bin/jobwarden-service' && /usr/bin/env JOBWARDEN_TASKS_DIR='/t' "
            "XDG_STATE_HOME='/s' '/bin/jobwarden-service' system-start # jobwarden-service");
  EXPECT_TRUE(ServiceLines(boot + "\n").empty());
  EXPECT_EQ(WithoutServiceLine("a\n" + boot + "\n" + kLine + "\n"), "a\n");
  EXPECT_EQ(WithoutServiceLine("#" + boot + "\n"), "#" + boot + "\n");
  EXPECT_EQ(WithServiceLine(boot + "\n", kLine), std::string(kLine) + "\n");
  EXPECT_EQ(ServiceLines(WithServiceLine(boot + "\n", kLine + ("\n" + boot))).size(), 1u);
}

TEST(CrontabTextTest, ServiceLinesReadBackWhatTheLineSays) {
  const std::string folder = "/h/it's a \"b\" $(id) `id` !x \\ *";
  const std::string program = "/opt/$HOME/it's/jobwarden-service";
  const std::string crontab = "MAILTO=a\n" + *ServiceLine(program, folder, "/s 1") + "\n" +
                              kOldLine + "\n" + kLine + "\n" + kEnvLine + "\n";
  const std::vector<ServiceLineValues> lines = ServiceLines(crontab);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].program, program);
  EXPECT_EQ(lines[0].task_folder, folder);
  EXPECT_EQ(lines[0].state_home, "/s 1");
  EXPECT_EQ(lines[1].program, "/old/jobwarden-service");
  EXPECT_EQ(lines[1].task_folder, "/old/t");
  EXPECT_EQ(lines[1].state_home, "/s");
  EXPECT_EQ(lines[2].task_folder, "/t");
  EXPECT_EQ(lines[2].state_home, "");
  EXPECT_EQ(lines[3].program, "/env/jobwarden-service");
  EXPECT_EQ(lines[3].task_folder, "/env/t");
}

// Only a line the service wrote, to the byte, is the service's.
TEST(CrontabTextTest, OtherLinesThatLookLikeTheServicesAreNotIt) {
  const std::string line = kLine;
  const std::string others[] = {
      "0 3 * * * backup --all # jobwarden-service",
      "# " + line,
      "#" + line,
      " " + line,
      "0 * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/t' '/bin/jobwarden-service' run-due "
      "# jobwarden-service",
      "* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/t' '/bin/jobwarden-service' run-due --all "
      "# jobwarden-service",
      "* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR=/t /bin/jobwarden-service run-due "
      "# jobwarden-service",
      "* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/t' X=1 '/bin/jobwarden-service' run-due "
      "# jobwarden-service",
      "* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/t' '/bin/jobwarden-service' run-due "
      "# jobwarden-service # and more",
      "* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/t 'rm' '/bin/jobwarden-service' run-due "
      "# jobwarden-service",
      "* * * * * '/old/jobwarden-service' run-due # jobwarden-service",
      // The test must be of the program the line runs, and guard it.
      "* * * * * test -x '/bin/true' && /usr/bin/env JOBWARDEN_TASKS_DIR='/t' "
      "'/bin/jobwarden-service' run-due # jobwarden-service",
      "* * * * * test -x '/bin/jobwarden-service' ; /usr/bin/env JOBWARDEN_TASKS_DIR='/t' "
      "'/bin/jobwarden-service' run-due # jobwarden-service",
      "* * * * * test -f '/bin/jobwarden-service' && /usr/bin/env JOBWARDEN_TASKS_DIR='/t' "
      "'/bin/jobwarden-service' run-due # jobwarden-service",
      "* * * * * test -x '/bin/jobwarden-service' && JOBWARDEN_TASKS_DIR='/t' "
      "'/bin/jobwarden-service' run-due # jobwarden-service",
      line + "\r",
  };
  for (const std::string& other : others) {
    EXPECT_TRUE(ServiceLines(other + "\n").empty()) << other;
    EXPECT_EQ(WithoutServiceLine("a\n" + other + "\nb\n"), "a\n" + other + "\nb\n") << other;
    EXPECT_EQ(WithServiceLine(other + "\n", line), other + "\n" + line + "\n") << other;
  }
}

TEST(CrontabTextTest, InstallKeepsEveryOtherLineAndLeavesOneServiceLine) {
  const std::string line = kLine;
  const struct {
    const char* what;
    std::string before;
    std::string after;
  } cases[] = {
      {"empty", "", line + "\n"},
      {"other lines", "# m h dom mon dow command\nMAILTO=\"\"\n0 5 * * 1 tar -zcf /b.tgz /home/ \n",
       "# m h dom mon dow command\nMAILTO=\"\"\n0 5 * * 1 tar -zcf /b.tgz /home/ \n" + line + "\n"},
      {"no final line end", "0 5 * * * x", "0 5 * * * x\n" + line + "\n"},
      {"CR LF kept", "0 5 * * * x\r\n\r\n", "0 5 * * * x\r\n\r\n" + line + "\n"},
      {"already there", "a\n" + line + "\nb\n", "a\n" + line + "\nb\n"},
      {"old line replaced in place", std::string("a\n") + kOldLine + "\nb\n",
       "a\n" + line + "\nb\n"},
      {"env line replaced in place", std::string("a\n") + kEnvLine + "\nb\n",
       "a\n" + line + "\nb\n"},
      {"duplicates folded", line + "\nx\n" + line + "\n", line + "\nx\n"},
  };
  for (const auto& c : cases) {
    const std::string once = WithServiceLine(c.before, line);
    EXPECT_EQ(once, c.after) << c.what;
    EXPECT_EQ(WithServiceLine(once, line), once) << c.what;
    EXPECT_EQ(ServiceLines(once).size(), 1u) << c.what;
  }
}

TEST(CrontabTextTest, UninstallRemovesOnlyTheServiceLines) {
  const std::string line = kLine;
  EXPECT_EQ(WithoutServiceLine("a\n" + line + "\nb\r\n" + kOldLine + "\n" + kEnvLine + "\n" + line),
            "a\nb\r\n");
  EXPECT_EQ(WithoutServiceLine("a\n# jobwarden-service is great\nb"),
            "a\n# jobwarden-service is great\nb");
  EXPECT_EQ(WithoutServiceLine(""), "");
}

// The line's command part run as cron runs it, SHELL -c COMMAND, with
// names that each shell would expand or split if the quoting let it: the
// program must get exactly its one argument and both folders, and once it
// is gone the line must print nothing.
class ServiceLineUnderShellTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ServiceLineUnderShellTest, RunsTheProgramWithTheFoldersAsWritten) {
  const std::string shell = GetParam();
  if (!RunCommand({shell, "-c", "exit 0"}, "").started)
    GTEST_SKIP() << shell << " is not installed (scripts/install-packages.sh installs it)";
  unsetenv("JOBWARDEN_TASKS_DIR");
  unsetenv("XDG_STATE_HOME");
  TemporaryFolder scratch;
  const std::string hostile = " it's \"q\" $(echo x) `echo y` !1 !! \\ * ~ #";
  const std::string bin = scratch.path() + "/bin" + hostile;
  ASSERT_EQ(mkdir(bin.c_str(), 0700), 0);
  const std::string program = bin + "/jobwarden-service";
  std::ofstream(program) << "#!/bin/sh\n"
                            "{ printf '%s\\n' \"$#\" \"$@\" \"$JOBWARDEN_TASKS_DIR\" "
                            "\"$XDG_STATE_HOME\"; } > \"$(dirname \"$0\")/got\"\n";
  ASSERT_EQ(chmod(program.c_str(), 0700), 0);
  const std::string folder = scratch.path() + "/tasks" + hostile + " a=b";
  const std::string state = scratch.path() + "/state" + hostile;
  const std::optional<std::string> line = ServiceLine(program, folder, state);
  ASSERT_TRUE(line);
  const std::string command = line->substr(std::string("* * * * * ").size());

  const CommandResult result = RunCommand({shell, "-c", command}, "");
  EXPECT_EQ(result.exit_status, 0) << result.error_output;
  EXPECT_EQ(result.error_output, "");
  std::ifstream got(bin + "/got");
  std::stringstream text;
  text << got.rdbuf();
  EXPECT_EQ(text.str(), "1\nrun-due\n" + folder + "\n" + state + "\n");

  // Once the program is gone the line says nothing, so cron mails nothing.
  ASSERT_EQ(unlink(program.c_str()), 0);
  const CommandResult gone = RunCommand({shell, "-c", command}, "");
  EXPECT_EQ(gone.output + gone.error_output, "");
}

INSTANTIATE_TEST_SUITE_P(Shells, ServiceLineUnderShellTest,
                         ::testing::Values("sh", "bash", "dash", "tcsh"));

}  // namespace

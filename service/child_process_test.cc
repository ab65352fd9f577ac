#include "service/child_process.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "platform/posix/descriptor-posix.h"

namespace {

TEST(ParameterSplitTest, SplitsAtBlanksAndGroupsInQuotes) {
  const struct {
    const char* parameters;
    std::vector<std::string> arguments;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"--all", {"--all"}},
      {"  a  b\tc ", {"a", "b", "c"}},
      {"\"two words\" x", {"two words", "x"}},
      {"pre\"fix and\"post", {"prefix andpost"}},
      {"\"\"", {""}},
      {"a \"\" b", {"a", "", "b"}},
      {"\"unclosed quote", {"unclosed quote"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SplitParameters(c.parameters), c.arguments) << c.parameters;
}

TEST(ParameterSplitTest, ExpandsNothing) {
  EXPECT_EQ(SplitParameters("$HOME *.txt ~ `id` $(id) a;b >out 'q' \\\" x\\y"),
            (std::vector<std::string>{"$HOME", "*.txt", "~", "`id`", "$(id)", "a;b", ">out", "'q'",
                                      "\\ x\\y"}));
}

TEST(RunCommandTest, ReportsTheExitStatus) {
  const CommandResult exited = RunCommand({"sh", "-c", "exit 3"}, "");
  EXPECT_TRUE(exited.started);
  EXPECT_EQ(exited.exit_status, 3);
  const CommandResult killed = RunCommand({"sh", "-c", "kill -9 $$"}, "");
  EXPECT_TRUE(killed.started);
  EXPECT_EQ(killed.exit_status, -1);
}

// More than a pipe holds each way, so that a child that writes before it
// has read everything cannot hold up the exchange.
TEST(RunCommandTest, FeedsItsInputAndCollectsBothOutputs) {
  const std::string input(1 << 20, 'x');
  const CommandResult copied = RunCommand({"cat"}, input);
  EXPECT_TRUE(copied.started);
  EXPECT_EQ(copied.exit_status, 0);
  EXPECT_EQ(copied.output, input);
  const CommandResult both = RunCommand({"sh", "-c", "echo out; echo err >&2; exit 1"}, "");
  EXPECT_EQ(both.output, "out\n");
  EXPECT_EQ(both.error_output, "err\n");
  EXPECT_EQ(both.exit_status, 1);
}

TEST(RunCommandTest, AProgramThatCannotStartIsNotStarted) {
  for (const char* program : {"/nonexistent/jobwarden-no-program", "jobwarden-no-such-program"}) {
    const CommandResult result = RunCommand({program}, "input");
    EXPECT_FALSE(result.started) << program;
    EXPECT_EQ(result.output, "") << program;
  }
  EXPECT_FALSE(RunCommand({}, "").started);
}

// Cron may start the service with its standard input closed: the pipes
// then take descriptor 0, and giving the child its streams must not close
// one of them.
TEST(RunCommandTest, WorksWithTheServicesStandardInputClosed) {
  const int saved = dup(0);
  ASSERT_GE(saved, 0);
  close(0);
  const CommandResult result = RunCommand({"cat"}, "through the pipe");
  dup2(saved, 0);
  close(saved);
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.output, "through the pipe");
}

TEST(StartChildTest, ReportsTheStepThatFailedAndEndsWith127) {
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  Descriptor report_read(report[0]), report_write(report[1]);
  ChildSetup setup;
  setup.program.path = "true";
  setup.program.working_directory = "/nonexistent/jobwarden-folder";
  const pid_t child = StartChild(setup, report_write.get());
  ASSERT_GT(child, 0);
  report_write.Reset(-1);
  int status = 0;
  ASSERT_TRUE(ReapChild(child, &status, true));
  EXPECT_EQ(ExitCodeOf(status), 127u);
  ChildFailure failure;
  ASSERT_TRUE(ReadChildFailure(report_read.get(), &failure));
  EXPECT_EQ(failure.pid, child);
  EXPECT_EQ(failure.step, kFolder);
  EXPECT_EQ(failure.error, ENOENT);
  EXPECT_FALSE(ReadChildFailure(report_read.get(), &failure));
}

TEST(StartChildTest, ReapsOnlyAnEndThatHasComeUnlessToldToWait) {
  ChildSetup setup;
  setup.program.path = "sleep";
  setup.program.arguments = {"60"};
  setup.own_session = true;
  const pid_t child = StartChild(setup, -1);
  ASSERT_GT(child, 0);
  int status = 0;
  EXPECT_FALSE(ReapChild(child, &status, false));
  for (int i = 0; i < 200 && getsid(child) != child; ++i)
    usleep(10 * 1000);
  EXPECT_EQ(getsid(child), child) << "a session of its own";
  kill(-child, SIGKILL);
  ASSERT_TRUE(ReapChild(child, &status, true));
  EXPECT_EQ(ExitCodeOf(status), static_cast<DWORD>(128 + SIGKILL));
  EXPECT_FALSE(ReapChild(child, &status, false));
}

// The nice value and scheduling policy (SCHED_IDLE is 5) that the program
// runs with, as the kernel shows them (fields 19 and 41 of its stat).
std::string SchedulingOf(const TaskPriority& priority) {
  Descriptor read_end, write_end;
  if (!MakePipe(&read_end, &write_end))
    return "no pipe";
  ChildSetup setup;
  setup.program.path = "cut";
  setup.program.arguments = {"-d", " ", "-f19,41", "/proc/self/stat"};
  setup.program.priority = priority;
  setup.output = write_end.get();
  const pid_t child = StartChild(setup, -1);
  write_end.Reset(-1);
  std::string text;
  char buffer[256];
  for (ssize_t got; (got = read(read_end.get(), buffer, sizeof(buffer))) > 0;)
    text.append(buffer, static_cast<size_t>(got));
  int status = 0;
  ReapChild(child, &status, true);
  return text;
}

TEST(StartChildTest, LowersThePriorityOfItsProgram) {
  EXPECT_EQ(SchedulingOf({19, true}), "19 5\n");
  EXPECT_EQ(SchedulingOf({5, false}), "5 0\n");
}

TEST(StartChildTest, RaisesThePriorityOfItsProgramAsRoot) {
  if (geteuid() != 0)
    GTEST_SKIP() << "raising a priority needs root";
  EXPECT_EQ(SchedulingOf({-10, false}), "-10 0\n");
  EXPECT_EQ(SchedulingOf({-20, false}), "-20 0\n");
  EXPECT_EQ(SchedulingOf({0, false}), "0 0\n");
}

}  // namespace

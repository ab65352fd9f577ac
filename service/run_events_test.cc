#include "service/run_events.h"

#include <gtest/gtest.h>

#include "service/run_due.h"

namespace {

TEST(RunEventsTest, EachEventInWords) {
  EXPECT_EQ(DueEventText(1), "run-due: 1 task due");
  EXPECT_EQ(DueEventText(3), "run-due: 3 tasks due");
  EXPECT_EQ(StartedEventText("Backup.job", "/bin/tar -czf b.tgz", "alice", 4242),
            "Backup.job\tstarted: /bin/tar -czf b.tgz as alice, process 4242");
  EXPECT_EQ(StartedEventText("a.job", "x", "", 7),
            "a.job\tstarted: x as the service's account, process 7");
  EXPECT_EQ(FinishedEventText("a.job", 3, ""), "a.job\tfinished: exit code 3");
  EXPECT_EQ(FinishedEventText("a.job", kNoSuchAccount, "jw-x"),
            "a.job\tfinished: the account jw-x does not exist");
  EXPECT_EQ(TimeLimitEventText("a.job", 143),
            "a.job\tended at its maximum run time: exit code 143 (128 + SIGTERM)");
  EXPECT_EQ(NotStartedEventText("a.job", "cannot start /no/such: No such file or directory"),
            "a.job\tcould not start: cannot start /no/such: No such file or directory");
  EXPECT_EQ(RefusedEventText("a.job", "the task folder is writable by its group"),
            "a.job\tnot run: the task folder is writable by its group");
  EXPECT_EQ(StillRunningEventText("a.job"), "a.job\tnot started: still running");
}

// A tab or newline in a name cannot make one task's lines look like
// another's, nor anything of a task start a line of its own; each field is
// made visible once.
TEST(RunEventsTest, WhatComesFromATaskIsVisible) {
  EXPECT_EQ(TaskEventPrefix("a\tb\n.job"), "a\\x09b\\x0a.job\t");
  EXPECT_EQ(StillRunningEventText("x\ty.job"), "x\\x09y.job\tnot started: still running");
  EXPECT_EQ(StartedEventText("a\\.job", "/bin/x\x1b[2J\nb.job\tfinished", "al\x7f", 7),
            "a\\\\.job\tstarted: /bin/x\\x1b[2J\\x0ab.job\\x09finished as al\\x7f, process 7");
  EXPECT_EQ(FinishedEventText("a.job", kNoSuchAccount, "jw\n"),
            "a.job\tfinished: the account jw\\x0a does not exist");
  EXPECT_EQ(NotStartedEventText("a.job", "cannot start /x\ny: No such file or directory"),
            "a.job\tcould not start: cannot start /x\\x0ay: No such file or directory");
  EXPECT_EQ(RefusedEventText("a.job", "the account \xc2\x9b does not exist"),
            "a.job\tnot run: the account \\xc2\\x9b does not exist");
}

}  // namespace

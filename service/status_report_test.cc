#include "service/status_report.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/testing/temporary_folder_testing.h"
#include "platform/testing/trigger_testing.h"
#include "service/run_due.h"
#include "service/run_events.h"
#include "service/service_doubles_testing.h"

namespace {

using namespace service_test;
using namespace test_triggers;

std::string ServiceUserName() {
  const passwd* self = getpwuid(geteuid());
  return self ? self->pw_name : "uid " + std::to_string(geteuid());
}

// The line's program must be there for cron to start it.
const char kLine[] =
    "* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/home/a/tasks' '/bin/true' run-due "
    "# jobwarden-service\n";
// A user's own line, with the service's mark, and a commented-out copy of
// the service's: neither is the service's line.
const char kLookalikes[] =
    "0 3 * * * backup --all # jobwarden-service\n"
    "#* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/home/a/tasks' '/opt/jw/bin/jobwarden-service' "
    "run-due # jobwarden-service\n";

// Installed means an active line that runs this very folder's tasks.
TEST(StatusReportTest, StatusSaysInstalledOnlyForALineForThisFolder) {
  MemoryTaskStore store;
  const struct {
    std::string crontab;
    std::string says;
  } cases[] = {
      {kLine, "jobwarden-service is installed: cron runs it every minute\n"},
      {kLookalikes, "jobwarden-service is not installed (jobwarden-service install adds it)\n"},
      {"* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/home/a/tasks' '/opt/moved/jobwarden-service' "
       "run-due # jobwarden-service\n",
       "jobwarden-service is installed, but cron cannot start it: /opt/moved/jobwarden-service is "
       "missing (jobwarden-service install records this one)\n"},
      {std::string(kLookalikes) +
           "* * * * * /usr/bin/env JOBWARDEN_TASKS_DIR='/home/b/tasks' '/bin/jobwarden-service' "
           "run-due # jobwarden-service\n",
       "jobwarden-service is installed for another task folder: /home/b/tasks "
       "(jobwarden-service install makes it this one)\n"},
  };
  for (const auto& c : cases) {
    MemoryCrontab crontab;
    crontab.text = c.crontab;
    std::ostringstream out, err;
    EXPECT_EQ(StatusCommand(crontab, store, "/home/a/tasks", kDueMinute, {}, nullptr, out, err), 0);
    EXPECT_EQ(out.str(), c.says + "Tasks in /home/a/tasks:\n") << c.crontab;
  }

  // Root's system service runs its own folder, whatever root's crontab holds.
  const SystemService system{"/etc/cron.d/jobwarden", true};
  MemoryCrontab unreadable;
  unreadable.readable = false;
  std::ostringstream out, err;
  EXPECT_EQ(StatusCommand(unreadable, store, kSystemTaskFolder, kDueMinute, {.system = &system},
                          nullptr, out, err),
            0);
  EXPECT_EQ(out.str(),
            "jobwarden-service is installed as the system service (/etc/cron.d/jobwarden): cron "
            "runs it every minute\nTasks in /var/lib/jobwarden/tasks:\n");
  EXPECT_EQ(err.str(), "");
}

// Right after the installed line: when cron last started run-due, late
// past two minutes or never only while the service is installed.
TEST(StatusReportTest, SaysWhenCronLastStartedTheService) {
  TimeZoneForTest zone("UTC");
  TemporaryFolder folder;
  Descriptor state(open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const RunDueStamp stamp(state.get());
  const std::string path = folder.path() + "/" + RunDueStamp::kFileName;
  MemoryTaskStore store;
  const struct {
    const char* crontab;
    time_t noted;  // 0: never
    time_t now;
    std::string says;
  } cases[] = {
      {kLine, 0, kDueMinute, "cron has not started jobwarden-service yet\n"},
      {"", 0, kDueMinute, ""},
      {kLine, kDueMinute + 5, kDueMinute + 125,
       "cron last started jobwarden-service at 2026-12-07 10:21\n"},
      {kLine, kDueMinute + 5, kDueMinute + 126,
       "cron has not started jobwarden-service since 2026-12-07 10:21: is cron running?\n"},
      {"", kDueMinute + 5, kDueMinute + 86400,
       "cron last started jobwarden-service at 2026-12-07 10:21\n"},
  };
  std::string why;
  for (const auto& c : cases) {
    unlink(path.c_str());
    if (c.noted != 0) {
      ASSERT_TRUE(stamp.Note(c.noted, &why)) << why;
    }
    MemoryCrontab crontab;
    crontab.text = c.crontab;
    std::ostringstream out, err;
    StatusSources sources;
    sources.stamp = &stamp;
    EXPECT_EQ(StatusCommand(crontab, store, "/home/a/tasks", c.now, sources, nullptr, out, err), 0);
    const std::string shown = out.str();
    EXPECT_EQ(shown.substr(shown.find('\n') + 1), c.says + "Tasks in /home/a/tasks:\n");
  }
  unlink(path.c_str());
  ASSERT_EQ(symlink("/etc/passwd", path.c_str()), 0);
  EXPECT_EQ(CronStartLine(stamp, kDueMinute, true),
            "cannot tell when cron last started jobwarden-service: last-run-due: is a symbolic "
            "link or not a plain file or folder\n");
}

TEST(StatusReportTest, StatusListsEachTasksNextAndLastRun) {
  TimeZoneForTest zone("UTC");
  MemoryTaskStore store;
  JobFile daily;
  daily.application_name = L"/bin/backup";
  daily.parameters = L" --all";  // as Jobwarden keeps what followed a quoted program
  daily.triggers.push_back(Daily("2026-12-01 10:21"));
  store.tasks[L"a.job"] = daily;
  JobFile ran = daily;
  RecordStart(kDueMinute + 5, &ran);  // 2026-12-07 10:21:05
  RecordEnd(2, &ran);
  store.tasks[L"b.job"] = ran;
  JobFile running = daily;
  RecordStart(kDueMinute + 5, &running);
  store.tasks[L"c.job"] = running;
  JobFile disabled = daily;
  disabled.flags = TASK_FLAG_DISABLED;
  store.tasks[L"d.job"] = disabled;
  JobFile at_log_on;
  at_log_on.triggers.push_back(Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-01 10:21"));
  store.tasks[L"e.job"] = at_log_on;
  JobFile past_once;
  past_once.triggers.push_back(Once("2026-12-01 10:21"));
  store.tasks[L"f.job"] = past_once;
  store.unreadable.push_back(L"g.job");
  JobFile unseen = running;
  RecordUnseenEnd(&unseen);
  store.tasks[L"h.job"] = unseen;
  store.tasks[L"i.job"] = ran;
  store.untrusted[L"i.job"] = "the file has 2 links";
  store.tasks[L"j.job"] = JobFile();
  store.untrusted[L"j.job"] = "the file is owned by uid 1";

  MemoryCrontab crontab;
  crontab.text = kLine;
  std::ostringstream out, err;
  EXPECT_EQ(StatusCommand(crontab, store, "/home/a/tasks", kDueMinute + 30, {}, nullptr, out, err),
            0);
  // Whom the service runs these as: for root, root (the system account);
  // for anyone else, that user.
  const std::string as = "\tas " + ServiceUserName() + ": ";
  EXPECT_EQ(
      out.str(),
      "jobwarden-service is installed: cron runs it every minute\n"
      "Tasks in /home/a/tasks:\n"
      "a.job" +
          as +
          "/bin/backup --all\tnext run 2026-12-07 10:21\thas not run\n"
          "b.job" +
          as +
          "/bin/backup --all\tnext run 2026-12-08 10:21\tlast run 2026-12-07 10:21, exit code 2\n"
          "c.job" +
          as +
          "/bin/backup --all\tnext run 2026-12-08 10:21\trunning since 2026-12-07 10:21\n"
          "d.job" +
          as +
          "/bin/backup --all\tdisabled\thas not run\n"
          "e.job" +
          as +
          "no program\tat log on\thas not run\n"
          "f.job" +
          as +
          "no program\tno more runs\thas not run\n"
          "h.job" +
          as +
          "/bin/backup --all\tnext run 2026-12-08 10:21\tlast run 2026-12-07 10:21, its end was "
          "not seen (the service was stopped while it ran)\n"
          "i.job\trefused: the file has 2 links\tlast run 2026-12-07 10:21, exit code 2\n"
          "j.job\trefused: the file is owned by uid 1\thas not run\n"
          "g.job\tnot readable as a task\n");
  EXPECT_EQ(err.str(), "");

  crontab.text = "";
  std::ostringstream out2;
  store.tasks.clear();
  store.unreadable.clear();
  store.untrusted.clear();
  EXPECT_EQ(StatusCommand(crontab, store, "/t", 0, {}, nullptr, out2, err), 0);
  EXPECT_EQ(
      out2.str(),
      "jobwarden-service is not installed (jobwarden-service install adds it)\nTasks in /t:\n");
}

// Without the service's line, nothing will run; `status NAME` shows that
// task alone, found as Jobwarden finds a name, with its run log and output.
TEST(StatusReportTest, SaysWhatWillNotRunAndShowsOneTaskWithItsLogAndOutput) {
  TimeZoneForTest zone("UTC");
  MemoryTaskStore store;
  JobFile job;
  job.application_name = L"/bin/report";
  job.account_name = L"jw-no-such-user";
  job.triggers.push_back(Daily("2026-12-01 10:21"));
  RecordRefusal(kDueMinute, kNoSuchAccount, &job);
  store.tasks[L"Report.job"] = job;
  store.tasks[L"other.job"] = job;
  MemoryCrontab crontab;
  std::ostringstream out, err;
  const std::wstring name = L"Report";
  EXPECT_EQ(StatusCommand(crontab, store, "/t", kDueMinute + 60, {}, &name, out, err), 0);
  const std::string as =
      geteuid() == 0 ? "\tas jw-no-such-user (no such user): " : "\tas " + ServiceUserName() + ": ";
  EXPECT_EQ(out.str(),
            "jobwarden-service is not installed (jobwarden-service install adds it)\n"
            "Tasks in /t:\n"
            "Report.job" +
                as +
                "/bin/report\twill not run: the service is not installed\t"
                "last run 2026-12-07 10:21, the account jw-no-such-user does not exist\n");
  const std::wstring unknown = L"nothing";
  std::ostringstream out2, err2;
  EXPECT_EQ(StatusCommand(crontab, store, "/t", kDueMinute, {}, &unknown, out2, err2), 1);
  EXPECT_EQ(err2.str(), "jobwarden-service: no task is named \"nothing\"\n");
}

// Nothing of a task reaches the terminal raw: its name, program line,
// account, log lines (those of an older log too) and output are visible,
// so that the task stays one line and its output cannot forge one.
TEST(StatusReportTest, ShowsNothingOfATaskRaw) {
  TimeZoneForTest zone("UTC");
  TemporaryFolder folder;
  Descriptor state(open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  MemoryTaskStore store;
  JobFile job;
  job.application_name = L"/bin/x\n\x1b[2J";
  job.parameters = L" a\\b";
  job.account_name = L"jw\x1b[31m";
  RecordRefusal(kDueMinute, kNoSuchAccount, &job);
  const std::wstring name = L"Ev\til.job";
  store.tasks[name] = job;
  RunLog log(state.get());
  std::string why;
  ASSERT_TRUE(log.Append(kDueMinute, StartedEventText("Ev\til.job", "/bin/x\n", "", 7), &why));
  std::ofstream(folder.path() + "/run.log", std::ios::app)
      << "2026-12-07 10:22:00 Ev\\x09il.job\tstarted: \x1b[2J \\x1b\tx\xc2\x9b\n";
  TaskOutputs outputs(state.get(), folder.path());
  Descriptor output;
  ASSERT_TRUE(outputs.Open("memory", "Ev\til.job", Account(), &output, &why)) << why;
  const std::string printed =
      "\x1b[2J\x1b]0;root@host\x07progress\r100%\nBackup.job\tfinished: exit code 0\n";
  ASSERT_EQ(write(output.get(), printed.data(), printed.size()),
            static_cast<ssize_t>(printed.size()));
  MemoryCrontab crontab;
  std::ostringstream out, err;
  EXPECT_EQ(StatusCommand(crontab, store, "/t", kDueMinute + 60, {&log, &outputs}, &name, out, err),
            0);
  const std::string as =
      geteuid() == 0 ? "as jw\\x1b[31m (no such user): " : "as " + ServiceUserName() + ": ";
  const std::string shown = out.str();
  EXPECT_EQ(shown,
            "jobwarden-service is not installed (jobwarden-service install adds it)\n"
            "Tasks in /t:\n"
            "Ev\\x09il.job\t" +
                as +
                "/bin/x\\x0a\\x1b[2J a\\\\b\twill not run: the service is not installed\t"
                "last run 2026-12-07 10:21, the account jw\\x1b[31m does not exist\toutput in " +
                outputs.Path("memory", "Ev\til.job", Account()) +
                "\n"
                "Run log:\n"
                "  2026-12-07 10:21:00 Ev\\x09il.job\tstarted: /bin/x\\x0a as the service's "
                "account, process 7\n"
                "  2026-12-07 10:22:00 Ev\\x09il.job\tstarted: \\x1b[2J \\x1b\\x09x\\xc2\\x9b\n"
                "Output:\n"
                "  \\x1b[2J\\x1b]0;root@host\\x07progress\\x0d100%\n"
                "  Backup.job\\x09finished: exit code 0\n");
  size_t rows = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(shown[i]);
    rows += c == '\n';
    EXPECT_TRUE((c >= 0x20 && c != 0x7f) || c == '\t' || c == '\n') << i;
    EXPECT_FALSE(c == 0xc2 && static_cast<unsigned char>(shown[i + 1]) < 0xa0) << i;
  }
  EXPECT_EQ(rows, 9u);
  const std::wstring typed = L"no\x1b[2Jthing";
  std::ostringstream out2, err2;
  EXPECT_EQ(StatusCommand(crontab, store, "/t", kDueMinute, {}, &typed, out2, err2), 1);
  EXPECT_EQ(err2.str(), "jobwarden-service: no task is named \"no\\x1b[2Jthing\"\n");
}

}  // namespace

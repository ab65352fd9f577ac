#include "service/task_flags.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <sstream>

#include "platform/testing/task_folder_testing.h"
#include "platform/testing/trigger_testing.h"
#include "service/result_text.h"
#include "service/run_due.h"
#include "service/service_doubles_testing.h"

namespace {

using namespace service_test;
using namespace test_triggers;

// "{user}" in `text` as the name of the account the tests run as.
std::string WithUser(std::string text) {
  const passwd* self = getpwuid(geteuid());
  const std::string user = self ? self->pw_name : "";
  for (size_t at; (at = text.find("{user}")) != std::string::npos;)
    text.replace(at, 6, user);
  return text;
}

// Each flag and priority, on a machine as the case sets it: the words
// status gives, whether run-due starts the task and how, what the log
// says, and whether the task is kept.
TEST(TaskFlagsTest, EachFlagAsTheServiceHonoursIt) {
  enum Triggers { kDaily, kOnce, kOnceAndLogOn };
  const struct {
    DWORD flags;
    DWORD priority;
    Triggers triggers;
    bool on_batteries, logged_on, may_raise;
    const char* words;
    bool runs;
    int nice;
    bool idle_class;
    const char* event;  // a line the log holds; "" for only started and finished
    bool kept;
  } cases[] = {
      {0, NORMAL_PRIORITY_CLASS, kDaily, true, false, false, "", true, 0, false, "", true},
      {TASK_FLAG_DELETE_WHEN_DONE, NORMAL_PRIORITY_CLASS, kDaily, false, false, true,
       "deleted after its last run", true, 0, false, "", true},
      {TASK_FLAG_DELETE_WHEN_DONE, NORMAL_PRIORITY_CLASS, kOnce, false, false, true,
       "deleted after its last run", true, 0, false, "t.job\tdeleted: it has no more runs", false},
      {TASK_FLAG_DELETE_WHEN_DONE, NORMAL_PRIORITY_CLASS, kOnceAndLogOn, false, false, true,
       "deleted after its last run", true, 0, false, "", true},
      {0, IDLE_PRIORITY_CLASS, kDaily, false, false, false, "idle priority", true, 19, true, "",
       true},
      {0, HIGH_PRIORITY_CLASS, kDaily, false, false, true, "high priority", true, -10, false, "",
       true},
      {0, REALTIME_PRIORITY_CLASS, kDaily, false, false, false, "realtime priority", true, 0, false,
       "t.job\truns at normal priority: the service may not raise its priority", true},
      {TASK_FLAG_DONT_START_IF_ON_BATTERIES, NORMAL_PRIORITY_CLASS, kDaily, true, false, true,
       "not on batteries", false, 0, false, "t.job\tnot run: the machine is on batteries", true},
      {TASK_FLAG_DONT_START_IF_ON_BATTERIES, NORMAL_PRIORITY_CLASS, kDaily, false, false, true,
       "not on batteries", true, 0, false, "", true},
      {TASK_FLAG_RUN_ONLY_IF_LOGGED_ON, NORMAL_PRIORITY_CLASS, kDaily, false, false, true,
       "only while {user} is logged on", false, 0, false, "t.job\tnot run: {user} is not logged on",
       true},
      {TASK_FLAG_RUN_ONLY_IF_LOGGED_ON, NORMAL_PRIORITY_CLASS, kDaily, false, true, true,
       "only while {user} is logged on", true, 0, false, "", true},
      {TASK_FLAG_KILL_IF_GOING_ON_BATTERIES, NORMAL_PRIORITY_CLASS, kDaily, true, false, true,
       "ended on batteries", true, 0, false, "", true},
      {TASK_FLAG_START_ONLY_IF_IDLE | TASK_FLAG_HIDDEN | TASK_FLAG_DELETE_WHEN_DONE,
       IDLE_PRIORITY_CLASS, kDaily, false, false, true,
       "deleted after its last run, idle priority; not honoured on Linux: start only if idle, "
       "hidden",
       true, 19, true, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WithUser(c.words) + " " + c.event);
    TimeZoneForTest zone("UTC");
    JobFile job;
    job.application_name = L"/usr/bin/backup";
    job.job_uuid[0] = 7;
    job.flags = c.flags;
    job.priority = c.priority;
    job.triggers = {c.triggers == kDaily ? Daily("2026-12-01 10:21") : Once("2026-12-07 10:21")};
    if (c.triggers == kOnceAndLogOn)
      job.triggers.push_back(Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-01 00:00"));
    MemoryTaskStore store;
    store.tasks[L"t.job"] = job;
    TestMachine machine;
    machine.on_batteries = c.on_batteries;
    machine.may_raise = c.may_raise;
    machine.power_supplies = "/test/power";
    if (c.logged_on)
      machine.logged_on.push_back(WithUser("{user}"));
    RecordingLauncher launcher;
    TestTaskFolder folder;
    ServiceFolders folders(folder.root() + "/state");
    const RunLocks locks(folders);
    std::ostringstream log;
    MemoryEventLog events;
    const RunContext context{store,  launcher, locks,   "/tasks", log,
                             events, nullptr,  nullptr, &machine};

    EXPECT_EQ(FlagsInWords(job, WithUser("{user}")), WithUser(c.words));
    EXPECT_EQ(RunDueCommand(context, kDueMinute + 5), 0);
    EXPECT_EQ(log.str(), "");
    EXPECT_NE(events.text.find(WithUser(c.event)), std::string::npos) << events.text;
    EXPECT_EQ(store.tasks.count(L"t.job") == 1, c.kept);
    ASSERT_EQ(launcher.requests.size(), c.runs ? 1u : 0u);
    if (!c.runs) {
      // Recorded as not run, with the condition that held it back.
      EXPECT_EQ(store.tasks[L"t.job"].run_date.wMinute, 21);
      EXPECT_EQ(store.tasks[L"t.job"].exit_code,
                c.on_batteries ? SCHED_E_TASK_ATTEMPTED : SCHED_E_USER_NOT_LOGGED_ON);
      continue;
    }
    const LaunchRequest& request = launcher.requests[0];
    ASSERT_TRUE(request.program.priority.has_value());
    EXPECT_EQ(request.program.priority->nice, c.nice);
    EXPECT_EQ(request.program.priority->idle_class, c.idle_class);
    EXPECT_EQ(request.power_supplies,
              c.flags & TASK_FLAG_KILL_IF_GOING_ON_BATTERIES ? "/test/power" : "");
  }
  // What status says of such a run.
  EXPECT_EQ(ResultInWords(SCHED_E_TASK_ATTEMPTED, "alice"),
            "not run: the machine was on batteries");
  EXPECT_EQ(ResultInWords(SCHED_E_USER_NOT_LOGGED_ON, "alice"), "not run: alice was not logged on");
}

}  // namespace

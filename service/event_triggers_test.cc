#include "service/event_triggers.h"

#include <gtest/gtest.h>
#include <utmp.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/testing/task_folder_testing.h"
#include "platform/testing/trigger_testing.h"
#include "service/run_due.h"
#include "service/service_doubles_testing.h"
#include "service/status_report.h"
#include "service/system_service.h"

namespace {

using namespace service_test;
using namespace test_triggers;

JobFile TaskWith(TASK_TRIGGER trigger, const wchar_t* program = L"/bin/task") {
  JobFile job;
  job.application_name = program;
  job.triggers.push_back(trigger);
  return job;
}

// Which tasks system-start and each login take, and what status says of
// them, for each type of trigger, enabled or not.
TEST(EventTriggersTest, TakesAndNamesEachEventTrigger) {
  TimeZoneForTest zone("UTC");
  TASK_TRIGGER disabled = Trigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART, "2026-12-01 10:21");
  disabled.rgFlags |= TASK_TRIGGER_FLAG_DISABLED;
  JobFile both = TaskWith(Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-01 10:21"));
  both.triggers.push_back(Trigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART, "2026-12-01 10:21"));
  both.triggers.push_back(Daily("2026-12-01 10:21"));
  const struct {
    JobFile job;
    bool at_start, at_log_on;
    std::string next;
  } cases[] = {
      {TaskWith(Daily("2026-12-01 10:21")), false, false, "next run 2026-12-07 10:21"},
      {TaskWith(Once("2026-12-01 10:21")), false, false, "no more runs"},
      {TaskWith(Trigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART, "2026-12-01 10:21")), true, false,
       "at system start"},
      {TaskWith(Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-01 10:21")), false, true,
       "at log on"},
      {TaskWith(Trigger(TASK_EVENT_TRIGGER_ON_IDLE, "2026-12-01 10:21")), false, false,
       "no more runs (idle triggers are not run on Linux)"},
      {TaskWith(disabled), false, false, "no more runs"},
      {both, true, true, "next run 2026-12-07 10:21, at system start, at log on"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasEventTrigger(c.job, TASK_EVENT_TRIGGER_AT_SYSTEMSTART), c.at_start) << c.next;
    EXPECT_EQ(HasEventTrigger(c.job, TASK_EVENT_TRIGGER_AT_LOGON), c.at_log_on) << c.next;
    MemoryTaskStore store;
    store.tasks[L"t.job"] = c.job;
    MemoryCrontab crontab;
    std::ostringstream out, err;
    const SystemService system{"/cron.d", true};
    StatusSources sources;
    sources.system = &system;
    ASSERT_EQ(StatusCommand(crontab, store, kSystemTaskFolder, kDueMinute + 30, sources, nullptr,
                            out, err),
              0);
    const std::string line = out.str().substr(out.str().rfind("t.job\t"));
    EXPECT_EQ(line.substr(line.find('\t', line.find('\t') + 1) + 1), c.next + "\thas not run\n");
  }
}

class EventRunTest : public testing::Test {
 protected:
  void SetUp() override {
    store_.tasks[L"timed.job"] = TaskWith(Daily("2026-12-01 10:21"), L"/bin/timed");
    store_.tasks[L"start.job"] =
        TaskWith(Trigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART, "2026-12-01 10:21"), L"/bin/start");
    store_.tasks[L"logon.job"] =
        TaskWith(Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-01 10:21"), L"/bin/logon");
    Boot("boot-1");
    context_.stamp = &stamp_;
    context_.boot = &boot_;
    context_.logons = &logons_;
  }

  void Boot(const std::string& id) const { std::ofstream(boot_id_) << id << "\n"; }

  // The programs started since the last call.
  std::vector<std::string> Started() {
    std::vector<std::string> paths;
    for (const LaunchRequest& request : launcher_.requests)
      paths.push_back(request.program.path);
    launcher_.requests.clear();
    return paths;
  }

  TimeZoneForTest zone_{"UTC"};
  MemoryTaskStore store_;
  RecordingLauncher launcher_;
  TestTaskFolder folder_;
  ServiceFolders folders_{folder_.root() + "/state"};
  std::string why_;
  const int state_ = folders_.State(&why_);
  const std::string boot_id_ = folder_.root() + "/boot_id";
  const std::string wtmp_ = folder_.root() + "/wtmp";
  const RunDueStamp stamp_{state_};
  const BootNote boot_{state_, boot_id_};
  const LogonRecords logons_{state_, wtmp_};
  RunLocks locks_{folders_};
  std::ostringstream log_;
  MemoryEventLog events_;
  RunContext context_{store_, launcher_, locks_, "/tasks", log_, events_};
};

TEST_F(EventRunTest, SystemStartRunsTheTasksAtSystemStartOnceABoot) {
  EXPECT_EQ(SystemStartCommand(context_, kDueMinute + 7), 0);
  EXPECT_EQ(Started(), std::vector<std::string>{"/bin/start"});
  EXPECT_EQ(events_.text.substr(0, events_.text.find('\n')), "run-due: 1 task due");
  EXPECT_EQ(SystemStartCommand(context_, kDueMinute + 67), 0);
  EXPECT_EQ(Started(), std::vector<std::string>());
  Boot("boot-2");
  EXPECT_EQ(SystemStartCommand(context_, kDueMinute + 127), 0);
  EXPECT_EQ(Started(), std::vector<std::string>{"/bin/start"});
  EXPECT_EQ(log_.str(), "");
}

// A cron without @reboot: the first run-due of a boot runs them instead,
// and a run-due that noted the boot leaves nothing to system-start.
TEST_F(EventRunTest, RunDueRunsSystemStartOnceForABootItMissed) {
  const time_t quiet = kDueMinute + 3600;
  EXPECT_EQ(RunDueCommand(context_, quiet), 0);  // the service's first run
  EXPECT_EQ(Started(), std::vector<std::string>());
  Boot("boot-2");
  EXPECT_EQ(RunDueCommand(context_, quiet + 60), 0);
  EXPECT_EQ(Started(), std::vector<std::string>{"/bin/start"});
  EXPECT_EQ(RunDueCommand(context_, quiet + 120), 0);
  EXPECT_EQ(SystemStartCommand(context_, quiet + 130), 0);
  EXPECT_EQ(Started(), std::vector<std::string>());
  EXPECT_EQ(log_.str(), "");
}

TEST_F(EventRunTest, RunDueRunsTheTasksAtLogOnOnceForEachLogin) {
  const time_t quiet = kDueMinute + 3600;
  EXPECT_EQ(RunDueCommand(context_, quiet), 0);  // no wtmp yet: none new
  std::ofstream wtmp(wtmp_, std::ios::binary);
  for (const short type : {USER_PROCESS, DEAD_PROCESS, USER_PROCESS}) {
    utmp record;
    std::memset(&record, 0, sizeof(record));
    record.ut_type = type;
    record.ut_tv.tv_sec = static_cast<int32_t>(quiet + 10 + type);
    std::strncpy(record.ut_user, "alice", sizeof(record.ut_user));
    wtmp.write(reinterpret_cast<const char*>(&record), sizeof(record));
  }
  wtmp.close();
  EXPECT_EQ(RunDueCommand(context_, quiet + 60), 0);
  EXPECT_EQ(Started(), (std::vector<std::string>{"/bin/logon", "/bin/logon"}));
  EXPECT_EQ(RunDueCommand(context_, quiet + 120), 0);
  EXPECT_EQ(Started(), std::vector<std::string>());
  EXPECT_EQ(log_.str(), "");
}

}  // namespace

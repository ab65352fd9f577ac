#include "jobwarden/scheduler/task_creation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "jobwarden/scheduler/scheduler_client_testing.h"

using test_hooks::Operation;

namespace {

// What every successful /create calls, in order, up to the account.
const Log kCreateUpToTheAccount = {
    "CoInitialize",          "CoCreateInstance",         "ITaskScheduler::NewWorkItem",
    "ITask::QueryInterface", "IPersistFile::Save",       "IPersistFile::Release",
    "ITask::CreateTrigger",  "ITaskTrigger::SetTrigger", "ITask::SetAccountInformation"};

TEST_F(SchedulerClientTest, CreateStoresTheTaskAndReleasesEverything) {
  std::wstring password = L"hunter2";
  const std::wstring message = Run([&](SchedulerClient& client) {
    client.CreateTask(L"Backup", L"C:\\Tools\\backup.exe", L" --all /q", L"Operator", &password[0],
                      TaskFrequency::Weekly);
  });
  ASSERT_EQ(message, L"");
  EXPECT_EQ(password, std::wstring(7, L'\0'));
  ExpectNothingOutstanding();
  EXPECT_EQ(ReleasesAfter("IPersistFile::Save").back(), "ITaskScheduler::Release");

  const JobFile job = folder_.StoredJob("Backup.job");
  EXPECT_EQ(job.application_name, L"C:\\Tools\\backup.exe");
  EXPECT_EQ(job.parameters, L" --all /q");
  EXPECT_EQ(job.account_name, L"Operator");
  ASSERT_EQ(job.triggers.size(), 1u);
  EXPECT_EQ(job.triggers[0].TriggerType, TASK_TIME_TRIGGER_WEEKLY);
  EXPECT_EQ(job.triggers[0].wStartHour, 10);
  EXPECT_EQ(job.triggers[0].wStartMinute, 21);
  EXPECT_EQ(job.triggers[0].wBeginDay, 7);
}

// The whole sequence of a creation that succeeds, for the system account
// (which the component takes only without a password) and a named one: the
// second save, then the persist file, the task, the trigger and the
// scheduler are released, and COM is left last.
TEST_F(SchedulerClientTest, CreateCallsEachStepOnceAndReleasesInOrder) {
  const Log rest = {"ITask::SetApplicationName", "ITask::SetParameters",    "ITask::QueryInterface",
                    "IPersistFile::Save",        "IPersistFile::Release",   "ITask::Release",
                    "ITaskTrigger::Release",     "ITaskScheduler::Release", "CoUninitialize"};
  for (const wchar_t* user : {L"SYSTEM", L"Operator"}) {
    TestTaskFolder folder(TestTaskFolder::Com::kLeftAlone);
    test_hooks::SetFixedLocalTime(TenTwenty());
    EXPECT_EQ(Create(L"Backup", TaskFrequency::Daily, user), L"");
    EXPECT_EQ(test_hooks::CallLog(), Joined(kCreateUpToTheAccount, rest));
    ExpectNothingOutstanding();
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"Backup.job"});
  }
}

// A named account the component refuses: the message, the task left stored
// as the first save made it, and nothing called after the refusal but the
// releases (task, trigger, scheduler) and the end of COM.
TEST_F(SchedulerClientTest, RefusedNamedAccountStopsTheCreationAndReleasesInOrder) {
  std::wstring password = L"hunter2";
  test_hooks::FailCall(Operation::SetAccountInformation, 1, E_ACCESSDENIED);
  EXPECT_EQ(Run([&](SchedulerClient& client) {
              client.CreateTask(L"Backup", L"prog", L" -x", L"Operator", &password[0],
                                TaskFrequency::Weekly);
            }),
            L"Error setting account information.");
  EXPECT_EQ(test_hooks::CallLog(),
            Joined(kCreateUpToTheAccount, {"ITask::Release", "ITaskTrigger::Release",
                                           "ITaskScheduler::Release", "CoUninitialize"}));
  ExpectNothingOutstanding();
  const JobFile job = folder_.StoredJob("Backup.job");
  EXPECT_EQ(job.account_name, L"");
  EXPECT_EQ(job.application_name, L"");
  EXPECT_TRUE(job.triggers.empty());
}

TEST_F(SchedulerClientTest, SystemAccountInAnyCaseIsTheEmptyAccount) {
  const struct {
    const wchar_t* user;
    const char* file;
    const wchar_t* account;
  } cases[] = {
      {L"system", "lower.job", L""}, {L"SyStEm", "mixed.job", L""},
      {L"SYSTEM", "upper.job", L""}, {L"system ", "padded.job", L"system "},
      {L"", "empty.job", L""},       {L"\\system", "prefixed.job", L"\\system"},
  };
  for (const auto& c : cases) {
    const std::string file(c.file);
    const std::wstring name(file.begin(), file.end() - 4);
    ASSERT_EQ(Create(name.c_str(), TaskFrequency::Daily, c.user), L"") << c.file;
    EXPECT_EQ(folder_.StoredJob(c.file).account_name, c.account) << c.file;
  }
}

TEST_F(SchedulerClientTest, NewWorkItemFailuresAreToldApartByCode) {
  const struct {
    HRESULT code;
    const wchar_t* message;
  } cases[] = {
      {static_cast<HRESULT>(0x80070050), L"Error creating job: Please specifiy a unique job name."},
      {static_cast<HRESULT>(0x80070057), L"Error creating job: Please specifiy a valid job name."},
      {static_cast<HRESULT>(0x8007000E), L"Error creating job: Not enough memory."},
      {E_FAIL, L"Error creating job."},
  };
  for (const auto& c : cases) {
    test_hooks::Reset();
    test_hooks::FailCall(Operation::NewWorkItem, 1, c.code);
    EXPECT_EQ(Create(L"Backup"), c.message);
    EXPECT_EQ(ReleasesAfter("ITaskScheduler::NewWorkItem"),
              std::vector<std::string>{"ITaskScheduler::Release"});
    ExpectNothingOutstanding();
  }
  EXPECT_TRUE(folder_.Files().empty());
}

TEST_F(SchedulerClientTest, RealNameProblemsReachTheirMessages) {
  ASSERT_EQ(Create(L"Backup"), L"");
  EXPECT_EQ(Create(L"BACKUP"), L"Error creating job: Please specifiy a unique job name.");
  EXPECT_EQ(Create(L"bad/name"), L"Error creating job: Please specifiy a valid job name.");
  EXPECT_EQ(Create(L""), L"Error creating job: Please specifiy a valid job name.");
  ExpectNothingOutstanding();
}

// The component is never handed a name whose file would not fit the Windows
// task folder's path; one at the bound is.
TEST_F(SchedulerClientTest, NameTooLongForTheTaskFolderNeverReachesTheComponent) {
  const std::wstring longest(238, L'x');
  const std::wstring too_long(239, L'y');
  EXPECT_EQ(Create(too_long.c_str()), L"Error creating job: Please specifiy a valid job name.");
  EXPECT_EQ(Count("ITaskScheduler::NewWorkItem"), 0);
  EXPECT_EQ(ReleasesAfter("CoCreateInstance"), std::vector<std::string>{"ITaskScheduler::Release"});
  ExpectNothingOutstanding();
  EXPECT_TRUE(folder_.Files().empty());

  EXPECT_EQ(Create(longest.c_str()), L"");
  EXPECT_EQ(folder_.Files().size(), 1u);
  ExpectNothingOutstanding();

  test_hooks::Reset();
  EXPECT_EQ(Run([&](SchedulerClient& client) { client.DeleteTask(too_long.c_str()); }),
            L"Error deleting task, Please make sure the task name is valid.");
  EXPECT_EQ(Count("ITaskScheduler::Delete"), 0);
  ExpectNothingOutstanding();
  EXPECT_EQ(Run([&](SchedulerClient& client) { client.DeleteTask(longest.c_str()); }), L"");
  EXPECT_TRUE(folder_.Files().empty());
}

// Each failing step, the message it gives and the interfaces released, in
// order; failures after the first save leave the bare task stored.
TEST_F(SchedulerClientTest, EveryCreationStepFailureReleasesInOrder) {
  const struct {
    Operation operation;
    int nth;
    const char* failing_call;
    const wchar_t* message;
    std::vector<std::string> releases;
    bool task_stays_stored;
  } cases[] = {
      {Operation::CoCreateInstance, 1, "CoCreateInstance", L"Error creaing job.", {}, false},
      {Operation::TaskQueryInterface,
       1,
       "ITask::QueryInterface",
       L"Error creating job: please specifiy a unique job name.",
       {"ITask::Release", "ITaskScheduler::Release"},
       false},
      {Operation::PersistSave,
       1,
       "IPersistFile::Save",
       L"Error creating job.",
       {"ITask::Release", "IPersistFile::Release", "ITaskScheduler::Release"},
       false},
      {Operation::CreateTrigger,
       1,
       "ITask::CreateTrigger",
       L"Error creating task trigger.",
       {"ITask::Release", "ITaskScheduler::Release"},
       true},
      {Operation::SetTrigger,
       1,
       "ITaskTrigger::SetTrigger",
       L"Error setting task trigger.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"},
       true},
      {Operation::SetAccountInformation,
       1,
       "ITask::SetAccountInformation",
       L"Error setting account information.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"},
       true},
      {Operation::SetApplicationName,
       1,
       "ITask::SetApplicationName",
       L"Error setting application.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"},
       true},
      {Operation::SetParameters,
       1,
       "ITask::SetParameters",
       L"Error setting parameters.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"},
       true},
      {Operation::TaskQueryInterface,
       2,
       "ITask::SetParameters",
       L"Error saving job file.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"},
       true},
      {Operation::PersistSave,
       2,
       "ITask::SetParameters",
       L"Error saving job file.",
       {"IPersistFile::Release", "ITask::Release", "ITaskTrigger::Release",
        "ITaskScheduler::Release"},
       true},
  };
  for (const auto& c : cases) {
    TestTaskFolder folder(TestTaskFolder::Com::kLeftAlone);
    test_hooks::SetFixedLocalTime(TenTwenty());
    test_hooks::FailCall(c.operation, c.nth, E_FAIL);
    EXPECT_EQ(Create(L"Backup"), c.message) << c.failing_call << " #" << c.nth;
    EXPECT_EQ(ReleasesAfter(c.failing_call), c.releases) << c.failing_call << " #" << c.nth;
    ExpectNothingOutstanding();
    EXPECT_EQ(folder.Files(), c.task_stays_stored ? std::vector<std::string>{"Backup.job"}
                                                  : std::vector<std::string>{})
        << c.failing_call << " #" << c.nth;
  }
}

TEST_F(SchedulerClientTest, PasswordIsWipedOnlyOnceTheAccountIsSet) {
  std::wstring password = L"hunter2";
  test_hooks::FailCall(Operation::SetAccountInformation, 1, E_ACCESSDENIED);
  Run([&](SchedulerClient& client) {
    client.CreateTask(L"One", L"prog", L"", L"bob", &password[0], TaskFrequency::Daily);
  });
  EXPECT_EQ(password, L"hunter2");

  test_hooks::Reset();
  test_hooks::FailCall(Operation::SetApplicationName, 1, E_FAIL);
  Run([&](SchedulerClient& client) {
    client.CreateTask(L"Two", L"prog", L"", L"SYSTEM", &password[0], TaskFrequency::Daily);
  });
  EXPECT_EQ(password, std::wstring(7, L'\0'));
}

}  // namespace

namespace {

SYSTEMTIME LocalTime(int year, int month, int day, int hour, int minute) {
  SYSTEMTIME time = {};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = 59;
  time.wMilliseconds = 999;
  return time;
}

struct Start {
  int year, month, day, hour, minute;
};

Start StartOf(const TASK_TRIGGER& trigger) {
  return {trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay, trigger.wStartHour,
          trigger.wStartMinute};
}

bool operator==(const Start& a, const Start& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute;
}

std::ostream& operator<<(std::ostream& out, const Start& s) {
  return out << s.year << "-" << s.month << "-" << s.day << " " << s.hour << ":" << s.minute;
}

const TaskFrequency kAllFrequencies[] = {TaskFrequency::Hourly, TaskFrequency::Daily,
                                         TaskFrequency::Weekly, TaskFrequency::Monthly};

}  // namespace

TEST(TriggerSchedule, StartsOneMinuteLaterWithTheCarryDoneForEveryFrequency) {
  const struct {
    SYSTEMTIME now;
    Start expected;
  } cases[] = {
      {LocalTime(2026, 12, 7, 10, 20), {2026, 12, 7, 10, 21}},
      {LocalTime(2026, 12, 7, 10, 59), {2026, 12, 7, 11, 0}},
      {LocalTime(2026, 12, 31, 23, 59), {2027, 1, 1, 0, 0}},
      {LocalTime(2026, 4, 30, 23, 59), {2026, 5, 1, 0, 0}},
      {LocalTime(2028, 2, 28, 23, 59), {2028, 2, 29, 0, 0}},  // leap year
      {LocalTime(2028, 2, 29, 23, 59), {2028, 3, 1, 0, 0}},
      {LocalTime(2100, 2, 28, 23, 59), {2100, 3, 1, 0, 0}},   // century, not leap
      {LocalTime(2000, 2, 28, 23, 59), {2000, 2, 29, 0, 0}},  // 400th year, leap
  };
  for (const auto& c : cases) {
    for (TaskFrequency frequency : kAllFrequencies)
      EXPECT_EQ(StartOf(BuildTrigger(c.now, frequency)), c.expected);
  }
}

TEST(TriggerSchedule, PatternFieldsByFrequency) {
  const SYSTEMTIME now = LocalTime(2026, 12, 7, 10, 20);

  const TASK_TRIGGER hourly = BuildTrigger(now, TaskFrequency::Hourly);
  EXPECT_EQ(hourly.TriggerType, TASK_TIME_TRIGGER_DAILY);
  EXPECT_EQ(hourly.Type.Daily.DaysInterval, 1);
  EXPECT_EQ(hourly.MinutesDuration, 1440u);
  EXPECT_EQ(hourly.MinutesInterval, 60u);

  const TASK_TRIGGER daily = BuildTrigger(now, TaskFrequency::Daily);
  EXPECT_EQ(daily.TriggerType, TASK_TIME_TRIGGER_DAILY);
  EXPECT_EQ(daily.Type.Daily.DaysInterval, 1);
  EXPECT_EQ(daily.MinutesDuration, 0u);
  EXPECT_EQ(daily.MinutesInterval, 0u);

  const TASK_TRIGGER weekly = BuildTrigger(now, TaskFrequency::Weekly);
  EXPECT_EQ(weekly.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
  EXPECT_EQ(weekly.Type.Weekly.WeeksInterval, 1);
  EXPECT_EQ(weekly.Type.Weekly.rgfDaysOfTheWeek, 0x7F);
  EXPECT_EQ(weekly.MinutesDuration, 0u);

  const TASK_TRIGGER monthly = BuildTrigger(now, TaskFrequency::Monthly);
  EXPECT_EQ(monthly.TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
  EXPECT_EQ(monthly.Type.MonthlyDate.rgfDays, 0xFFFFu);
  EXPECT_EQ(monthly.Type.MonthlyDate.rgfMonths, 0x0FFF);
  EXPECT_EQ(monthly.MinutesInterval, 0u);
}

TEST(TriggerSchedule, EverythingElseIsZero) {
  for (TaskFrequency frequency : kAllFrequencies) {
    const TASK_TRIGGER trigger = BuildTrigger(LocalTime(2026, 12, 7, 10, 20), frequency);
    EXPECT_EQ(trigger.cbTriggerSize, sizeof(TASK_TRIGGER));
    EXPECT_EQ(trigger.Reserved1, 0);
    EXPECT_EQ(trigger.wEndYear, 0);
    EXPECT_EQ(trigger.wEndMonth, 0);
    EXPECT_EQ(trigger.wEndDay, 0);
    EXPECT_EQ(trigger.rgFlags, 0u);
    EXPECT_EQ(trigger.Reserved2, 0);
    EXPECT_EQ(trigger.wRandomMinutesInterval, 0);
  }
}

// Every field of the monthly trigger, compared as a whole: at the start time
// on days 1 to 16 of every month, once (no repetition within the day).
TEST(TriggerSchedule, MonthlyTriggerAsAWhole) {
  TASK_TRIGGER expected;
  std::memset(&expected, 0, sizeof(expected));
  expected.cbTriggerSize = sizeof(TASK_TRIGGER);
  expected.wBeginYear = 2026;
  expected.wBeginMonth = 12;
  expected.wBeginDay = 7;
  expected.wStartHour = 10;
  expected.wStartMinute = 21;
  expected.MinutesDuration = 0;
  expected.MinutesInterval = 0;
  expected.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
  expected.Type.MonthlyDate.rgfDays = 0x0000FFFF;
  expected.Type.MonthlyDate.rgfMonths = 0x0FFF;

  const TASK_TRIGGER monthly = BuildTrigger(LocalTime(2026, 12, 7, 10, 20), TaskFrequency::Monthly);
  EXPECT_EQ(monthly.MinutesDuration, 0u);
  EXPECT_EQ(monthly.MinutesInterval, 0u);
  EXPECT_EQ(std::memcmp(&monthly, &expected, sizeof(TASK_TRIGGER)), 0);
}

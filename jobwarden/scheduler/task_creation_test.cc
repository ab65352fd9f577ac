#include "jobwarden/scheduler/scheduler_client.h"

#include <gtest/gtest.h>

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

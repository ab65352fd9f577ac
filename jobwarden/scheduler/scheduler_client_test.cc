#include "jobwarden/scheduler/scheduler_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobwarden/console/console_writer.h"
#include "jobwarden/scheduler/com_api.h"
#include "jobwarden/scheduler/jobwarden_exception.h"
#include "com_recording_testing.h"
#include "local_time_testing.h"
#include "task_folder_testing.h"
#include "trigger_text.h"

using test_hooks::Operation;

namespace {

using Log = std::vector<std::string>;

// What every successful /create calls, in order, up to the account.
const Log kCreateUpToTheAccount = {
    "CoInitialize", "CoCreateInstance", "ITaskScheduler::NewWorkItem", "ITask::QueryInterface",
    "IPersistFile::Save", "IPersistFile::Release", "ITask::CreateTrigger",
    "ITaskTrigger::SetTrigger", "ITask::SetAccountInformation"};

Log Joined(Log first, const Log& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

SYSTEMTIME TenTwenty() {
  SYSTEMTIME time = {};
  time.wYear = 2026;
  time.wMonth = 12;
  time.wDay = 7;
  time.wHour = 10;
  time.wMinute = 20;
  return time;
}

class SchedulerClientTest : public testing::Test {
 protected:
  SchedulerClientTest() { test_hooks::SetFixedLocalTime(TenTwenty()); }

  // Runs one client operation the way the dispatch does and returns the
  // message it failed with, or "" when it succeeded.
  template <typename Operation>
  std::wstring Run(Operation operation) {
    try {
      SchedulerClient client;
      operation(client);
    } catch (const JobwardenException& error) {
      return error.Message;
    }
    return L"";
  }

  std::wstring Create(const wchar_t* name, TaskFrequency frequency = TaskFrequency::Daily,
                      const wchar_t* user = L"system") {
    std::wstring password = L"secret";
    return Run([&](SchedulerClient& client) {
      client.CreateTask(name, L"/usr/bin/backup", L" --all", user, &password[0], frequency);
    });
  }

  std::wstring Query(std::wstring* output) {
    ConsoleCapture capture;
    const std::wstring message = Run([](SchedulerClient& client) { client.QueryTasks(); });
    *output = capture.Text();
    return message;
  }

  // The Release calls logged after the first call of `method`.
  static std::vector<std::string> ReleasesAfter(const std::string& method) {
    std::vector<std::string> releases;
    bool seen = false;
    for (const std::string& call : test_hooks::CallLog()) {
      if (call == method && !seen) {
        seen = true;
        releases.clear();
      } else if (call.size() > 9 && call.compare(call.size() - 9, 9, "::Release") == 0) {
        releases.push_back(call);
      }
    }
    return releases;
  }

  static int Count(const std::string& entry) {
    int count = 0;
    for (const std::string& call : test_hooks::CallLog())
      count += call == entry;
    return count;
  }

  void ExpectNothingOutstanding() {
    EXPECT_EQ(test_hooks::OutstandingReferences(), 0);
    EXPECT_EQ(test_hooks::OutstandingAllocations(), 0);
  }

  TestTaskFolder folder_{TestTaskFolder::Com::kLeftAlone};
};

TEST_F(SchedulerClientTest, ClientBracketsComAndAcceptsAnAlreadyInitialisedThread) {
  { SchedulerClient client; }
  EXPECT_EQ(test_hooks::CallLog(), (std::vector<std::string>{"CoInitialize", "CoUninitialize"}));

  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  { SchedulerClient nested; }  // its CoInitialize answers S_FALSE
  EXPECT_EQ(Count("CoUninitialize"), 2);
  CoUninitialize();
}

TEST_F(SchedulerClientTest, FailedComStartThrowsAndNeverUninitialises) {
  test_hooks::FailCall(Operation::CoInitialize, 1, E_OUTOFMEMORY);
  EXPECT_EQ(Create(L"Backup"), L"Couldn't initialize COM\t.");
  EXPECT_EQ(Count("CoUninitialize"), 0);
  EXPECT_EQ(Count("CoCreateInstance"), 0);
}

TEST_F(SchedulerClientTest, CreateStoresTheTaskAndReleasesEverything) {
  std::wstring password = L"hunter2";
  const std::wstring message = Run([&](SchedulerClient& client) {
    client.CreateTask(L"Backup", L"C:\\Tools\\backup.exe", L" --all /q", L"Operator",
                      &password[0], TaskFrequency::Weekly);
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
  const Log rest = {"ITask::SetApplicationName",
                    "ITask::SetParameters",
                    "ITask::QueryInterface",
                    "IPersistFile::Save",
                    "IPersistFile::Release",
                    "ITask::Release",
                    "ITaskTrigger::Release",
                    "ITaskScheduler::Release",
                    "CoUninitialize"};
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
      {L"system", "lower.job", L""},
      {L"SyStEm", "mixed.job", L""},
      {L"SYSTEM", "upper.job", L""},
      {L"system ", "padded.job", L"system "},
      {L"", "empty.job", L""},
      {L"\\system", "prefixed.job", L"\\system"},
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
      {Operation::TaskQueryInterface, 1, "ITask::QueryInterface",
       L"Error creating job: please specifiy a unique job name.",
       {"ITask::Release", "ITaskScheduler::Release"}, false},
      {Operation::PersistSave, 1, "IPersistFile::Save", L"Error creating job.",
       {"ITask::Release", "IPersistFile::Release", "ITaskScheduler::Release"}, false},
      {Operation::CreateTrigger, 1, "ITask::CreateTrigger", L"Error creating task trigger.",
       {"ITask::Release", "ITaskScheduler::Release"}, true},
      {Operation::SetTrigger, 1, "ITaskTrigger::SetTrigger", L"Error setting task trigger.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"}, true},
      {Operation::SetAccountInformation, 1, "ITask::SetAccountInformation",
       L"Error setting account information.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"}, true},
      {Operation::SetApplicationName, 1, "ITask::SetApplicationName", L"Error setting application.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"}, true},
      {Operation::SetParameters, 1, "ITask::SetParameters", L"Error setting parameters.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"}, true},
      {Operation::TaskQueryInterface, 2, "ITask::SetParameters", L"Error saving job file.",
       {"ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release"}, true},
      {Operation::PersistSave, 2, "ITask::SetParameters", L"Error saving job file.",
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

TEST_F(SchedulerClientTest, DeleteRemovesTheTaskOrSaysTheNameIsWrong) {
  ASSERT_EQ(Create(L"Backup"), L"");
  EXPECT_EQ(Run([](SchedulerClient& client) { client.DeleteTask(L"BACKUP"); }), L"");
  EXPECT_TRUE(folder_.Files().empty());

  test_hooks::Reset();
  EXPECT_EQ(Run([](SchedulerClient& client) { client.DeleteTask(L"Backup"); }),
            L"Error deleting task, Please make sure the task name is valid.");
  EXPECT_EQ(ReleasesAfter("ITaskScheduler::Delete"),
            std::vector<std::string>{"ITaskScheduler::Release"});
  EXPECT_EQ(Run([](SchedulerClient& client) { client.DeleteTask(L""); }),
            L"Error deleting task, Please make sure the task name is valid.");

  test_hooks::Reset();
  test_hooks::FailCall(Operation::CoCreateInstance, 1, E_FAIL);
  EXPECT_EQ(Run([](SchedulerClient& client) { client.DeleteTask(L"Backup"); }),
            L"Error deleting job.");
  ExpectNothingOutstanding();
}

TEST_F(SchedulerClientTest, QueryOfAnEmptyFolderPrintsNothing) {
  std::wstring output;
  EXPECT_EQ(Query(&output), L"");
  EXPECT_EQ(output, L"");
  ExpectNothingOutstanding();
}

TEST_F(SchedulerClientTest, QueryListsEveryTaskWithItsFirstTriggerText) {
  ASSERT_EQ(Create(L"Alpha", TaskFrequency::Hourly), L"");
  ASSERT_EQ(Create(L"Бета", TaskFrequency::Monthly), L"");
  const std::wstring alpha = DescribeTrigger(folder_.StoredJob("Alpha.job").triggers[0]);
  const std::wstring beta = DescribeTrigger(folder_.StoredJob("Бета.job").triggers[0]);

  test_hooks::Reset();
  std::wstring output;
  EXPECT_EQ(Query(&output), L"");
  EXPECT_EQ(output, L"\nAlpha.job " + alpha + L"\nБета.job " + beta);
  // Two names, two arrays, two texts.
  EXPECT_EQ(Count("CoTaskMemFree"), 6);
  ExpectNothingOutstanding();

  // For each name: its task and first trigger, the text freed, the trigger
  // and the task released, then the name and only then its array freed.
  // The enumerator goes before the scheduler that made it.
  const Log one_task = {"IEnumWorkItems::Next",    "ITaskScheduler::Activate",
                        "ITask::GetTrigger",       "ITaskTrigger::GetTriggerString",
                        "CoTaskMemFree",           "ITaskTrigger::Release",
                        "ITask::Release",          "CoTaskMemFree",
                        "CoTaskMemFree"};
  EXPECT_EQ(test_hooks::CallLog(),
            Joined(Joined(Joined({"CoInitialize", "CoCreateInstance", "ITaskScheduler::Enum"},
                                 one_task),
                          one_task),
                   {"IEnumWorkItems::Next", "IEnumWorkItems::Release", "ITaskScheduler::Release",
                    "CoUninitialize"}));
  const Log one_task_freed = {"ITaskTrigger::GetTriggerString text", "IEnumWorkItems::Next name",
                              "IEnumWorkItems::Next names"};
  EXPECT_EQ(test_hooks::FreedBlocks(), Joined(one_task_freed, one_task_freed));
}

TEST_F(SchedulerClientTest, QueryListsATaskByNameWhenItsTriggerTextCannotBeHad) {
  ASSERT_EQ(Create(L"A"), L"");
  ASSERT_EQ(Create(L"B"), L"");
  const std::wstring text = DescribeTrigger(folder_.StoredJob("B.job").triggers[0]);
  // What the listing of A calls up to the failing step, and what it
  // releases after it, the trigger before the task; B is listed in full.
  const Log b_listed = {"IEnumWorkItems::Next",    "ITaskScheduler::Activate",
                        "ITask::GetTrigger",       "ITaskTrigger::GetTriggerString",
                        "CoTaskMemFree",           "ITaskTrigger::Release",
                        "ITask::Release",          "CoTaskMemFree",
                        "CoTaskMemFree",           "IEnumWorkItems::Next",
                        "IEnumWorkItems::Release", "ITaskScheduler::Release",
                        "CoUninitialize"};
  const struct {
    Operation operation;
    std::vector<std::string> releases_after_failure;
  } cases[] = {
      {Operation::Activate, {}},
      {Operation::GetTrigger, {"ITask::Release"}},
      {Operation::GetTriggerString, {"ITaskTrigger::Release", "ITask::Release"}},
  };
  for (const auto& c : cases) {
    test_hooks::Reset();
    test_hooks::FailCall(c.operation, 1, E_FAIL);
    std::wstring output;
    EXPECT_EQ(Query(&output), L"");
    EXPECT_EQ(output, L"\nA.job\nB.job " + text);
    ExpectNothingOutstanding();

    Log a_listed = {"CoInitialize", "CoCreateInstance", "ITaskScheduler::Enum",
                    "IEnumWorkItems::Next", "ITaskScheduler::Activate"};
    if (c.operation != Operation::Activate)
      a_listed.push_back("ITask::GetTrigger");
    if (c.operation == Operation::GetTriggerString)
      a_listed.push_back("ITaskTrigger::GetTriggerString");
    a_listed =
        Joined(Joined(a_listed, c.releases_after_failure), {"CoTaskMemFree", "CoTaskMemFree"});
    EXPECT_EQ(test_hooks::CallLog(), Joined(a_listed, b_listed));
  }
}

// A trigger damaged on disk gets no words, so the task is listed by name;
// a task disabled on disk is said to be so.
TEST_F(SchedulerClientTest, QueryListsADamagedTriggerByNameAndSaysATaskIsDisabled) {
  ASSERT_EQ(Create(L"Damaged"), L"");
  ASSERT_EQ(Create(L"Off"), L"");
  JobFile damaged = folder_.StoredJob("Damaged.job");
  damaged.triggers[0].wBeginMonth = 13;
  folder_.StoreJob("Damaged.job", damaged);
  JobFile off = folder_.StoredJob("Off.job");
  off.flags |= TASK_FLAG_DISABLED;
  folder_.StoreJob("Off.job", off);

  std::wstring output;
  EXPECT_EQ(Query(&output), L"");
  EXPECT_EQ(output, L"\nDamaged.job\nOff.job " + DescribeTrigger(off.triggers[0]) +
                        L" (task disabled)");
  ExpectNothingOutstanding();
}

TEST_F(SchedulerClientTest, QueryFailures) {
  ASSERT_EQ(Create(L"A"), L"");
  ASSERT_EQ(Create(L"B"), L"");
  std::wstring output;

  test_hooks::Reset();
  test_hooks::FailCall(Operation::EnumNext, 2, E_FAIL);
  EXPECT_EQ(Query(&output), L"");
  EXPECT_EQ(output.substr(0, 7), L"\nA.job ");
  EXPECT_EQ(output.find(L"B.job"), std::wstring::npos);
  ExpectNothingOutstanding();

  test_hooks::Reset();
  test_hooks::FailCall(Operation::Enum, 1, E_FAIL);
  EXPECT_EQ(Query(&output), L"Error quering jobs.");
  EXPECT_EQ(output, L"");
  EXPECT_EQ(ReleasesAfter("ITaskScheduler::Enum"),
            std::vector<std::string>{"ITaskScheduler::Release"});

  test_hooks::Reset();
  test_hooks::FailCall(Operation::CoCreateInstance, 1, E_FAIL);
  EXPECT_EQ(Query(&output), L"Error quering jobs.");
  ExpectNothingOutstanding();
}

}  // namespace

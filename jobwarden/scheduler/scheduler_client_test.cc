#include "jobwarden/scheduler/scheduler_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobwarden/console/console_writer.h"
#include "jobwarden/scheduler/com_api.h"
#include "jobwarden/scheduler/jobwarden_exception.h"
#include "jobwarden/scheduler/temporary_task_folder.h"
#include "trigger_text.h"

using test_hooks::Operation;

namespace {

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

  TemporaryTaskFolder folder_;
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
    TemporaryTaskFolder folder;
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
}

TEST_F(SchedulerClientTest, QueryListsATaskByNameWhenItsTriggerTextCannotBeHad) {
  ASSERT_EQ(Create(L"A"), L"");
  ASSERT_EQ(Create(L"B"), L"");
  const std::wstring text = DescribeTrigger(folder_.StoredJob("B.job").triggers[0]);
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
  }
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

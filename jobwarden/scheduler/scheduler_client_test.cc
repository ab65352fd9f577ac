#include "jobwarden/scheduler/scheduler_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobwarden/scheduler/scheduler_client_testing.h"
#include "platform/taskscheduler/trigger_text.h"

using test_hooks::Operation;

namespace {

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
  const Log one_task = {"IEnumWorkItems::Next", "ITaskScheduler::Activate",
                        "ITask::GetTrigger",    "ITaskTrigger::GetTriggerString",
                        "CoTaskMemFree",        "ITaskTrigger::Release",
                        "ITask::Release",       "CoTaskMemFree",
                        "CoTaskMemFree"};
  EXPECT_EQ(
      test_hooks::CallLog(),
      Joined(Joined(Joined({"CoInitialize", "CoCreateInstance", "ITaskScheduler::Enum"}, one_task),
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
  EXPECT_EQ(output,
            L"\nDamaged.job\nOff.job " + DescribeTrigger(off.triggers[0]) + L" (task disabled)");
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

// A character beyond the Basic Multilingual Plane, in the host's wide form.
std::wstring Astral() {
  if (sizeof(wchar_t) == 2)
    return std::wstring(L"\xD83D\xDDD3");
  return std::wstring(1, static_cast<wchar_t>(0x1F5D3));
}

std::wstring Repeated(const std::wstring& part, std::size_t count) {
  std::wstring text;
  for (std::size_t i = 0; i < count; ++i)
    text += part;
  return text;
}

}  // namespace

TEST(TaskNameLengthTest, NamesUpToTheFolderBoundFit) {
  EXPECT_TRUE(FitsTaskFolder(L""));
  EXPECT_TRUE(FitsTaskFolder(std::wstring(238, L'x').c_str()));
  EXPECT_FALSE(FitsTaskFolder(std::wstring(239, L'x').c_str()));
  EXPECT_FALSE(FitsTaskFolder(std::wstring(300, L'x').c_str()));
}

TEST(TaskNameLengthTest, CharactersBeyondTheBasicPlaneCountTwoUnits) {
  // Four units: one, two and one.
  const std::wstring mixed = L"a" + Astral() + L"\x0416";
  EXPECT_TRUE(FitsTaskFolder((std::wstring(234, L'x') + mixed).c_str()));
  EXPECT_FALSE(FitsTaskFolder((std::wstring(235, L'x') + mixed).c_str()));
  EXPECT_TRUE(FitsTaskFolder(Repeated(Astral(), 119).c_str()));
  EXPECT_FALSE(FitsTaskFolder((Repeated(Astral(), 119) + L"x").c_str()));
}

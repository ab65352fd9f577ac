#include "platform/taskscheduler/enum_work_items.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/taskscheduler/job_file.h"
#include "platform/taskscheduler/task_scheduler_testing.h"
#include "platform/testing/trigger_testing.h"

namespace {

using namespace test_triggers;

TEST_F(TaskSchedulerTest, EnumeratesNoOneAndManyTasksInNameOrder) {
  EXPECT_EQ(Names{}, EnumerateAll(scheduler_, 1));
  folder_.Create();
  EXPECT_EQ(Names{}, EnumerateAll(scheduler_, 1));
  ASSERT_EQ(S_OK, Store(scheduler_, L"Backup"));
  EXPECT_EQ(Names{L"Backup.job"}, EnumerateAll(scheduler_, 1));
  for (const wchar_t* name : {L"delta", L"Alpha", L"charlie", L"Echo"})
    ASSERT_EQ(S_OK, Store(scheduler_, name));
  TestTaskFolder::Write(FilePath("readme.txt"), "not a task");
  Names all{L"Alpha.job", L"Backup.job", L"charlie.job", L"delta.job", L"Echo.job"};
  EXPECT_EQ(all, EnumerateAll(scheduler_, 1));
  EXPECT_EQ(all, EnumerateAll(scheduler_, 3));  // 3 with S_OK, then 2 with S_FALSE
  EXPECT_EQ(all, EnumerateAll(scheduler_, 10));
  for (const std::wstring& name : all) {
    ITask* task = nullptr;
    EXPECT_EQ(S_OK, Activate(scheduler_, name.c_str(), &task)) << name;
    if (task)
      task->Release();
  }
}

TEST_F(TaskSchedulerTest, NextRefusesArgumentsItCannotAnswer) {
  ASSERT_EQ(S_OK, Store(scheduler_, L"a"));
  IEnumWorkItems* items = nullptr;
  ASSERT_EQ(S_OK, scheduler_->Enum(&items));
  LPWSTR* names = nullptr;
  ULONG fetched = 7;
  EXPECT_EQ(E_INVALIDARG, items->Next(2, &names, nullptr));
  EXPECT_EQ(E_INVALIDARG, items->Next(0, &names, &fetched));
  EXPECT_EQ(E_INVALIDARG, items->Next(1, nullptr, &fetched));
  EXPECT_EQ(S_OK, items->Next(1, &names, nullptr));  // the count may be left out for one
  CoTaskMemFree(names[0]);
  CoTaskMemFree(names);
  items->Release();
}

}  // namespace

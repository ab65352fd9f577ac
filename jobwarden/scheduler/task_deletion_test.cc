#include "jobwarden/scheduler/scheduler_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "jobwarden/scheduler/scheduler_client_testing.h"

using test_hooks::Operation;

namespace {

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

}  // namespace

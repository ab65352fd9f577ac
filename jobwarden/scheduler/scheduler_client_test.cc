#include "jobwarden/scheduler/scheduler_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "jobwarden/scheduler/scheduler_client_testing.h"

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

}  // namespace

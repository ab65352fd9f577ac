// For the component's tests: a scheduler over a fresh task folder, and at
// the end a check that the test gave back every reference and task memory
// block it was handed, so a leak in any path under test fails that test.
#ifndef JOBWARDEN_PLATFORM_TEST_SCHEDULER_H
#define JOBWARDEN_PLATFORM_TEST_SCHEDULER_H

#include <gtest/gtest.h>
#include <mstask.h>

#include "test_hooks.h"
#include "test_task_folder.h"

class SchedulerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    references_ = test_hooks::OutstandingReferences();
    allocations_ = test_hooks::OutstandingAllocations();
    scheduler_ = NewScheduler();
    ASSERT_NE(nullptr, scheduler_);
  }
  void TearDown() override {
    if (scheduler_)
      scheduler_->Release();
    EXPECT_EQ(references_, test_hooks::OutstandingReferences());
    EXPECT_EQ(allocations_, test_hooks::OutstandingAllocations());
  }

  TestTaskFolder folder_;
  ITaskScheduler* scheduler_ = nullptr;

 private:
  int references_ = 0;
  int allocations_ = 0;
};

#endif  // JOBWARDEN_PLATFORM_TEST_SCHEDULER_H

#include "platform/taskscheduler/task_folder_lock-posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "platform/posix/descriptor-posix.h"
#include "platform/testing/task_folder_testing.h"

namespace {

using std::chrono::milliseconds;

class TaskFolderLockTest : public ::testing::Test {
 protected:
  TaskFolderLockTest() {
    scratch_.Create();
    folder_.Reset(open(scratch_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }

  TestTaskFolder scratch_;
  Descriptor folder_;
};

// Two holders in one process, even on one descriptor of the folder,
// exclude each other as two processes do.
TEST_F(TaskFolderLockTest, OneHolderAtATimeAndFreedWithItsObject) {
  {
    TaskFolderLock first;
    ASSERT_EQ(S_OK, first.Acquire(folder_.get()));
    EXPECT_TRUE(first.held());
    TaskFolderLock second;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_TIMEOUT), second.Acquire(folder_.get(), milliseconds(20)));
    EXPECT_FALSE(second.held());
  }
  TaskFolderLock again;
  EXPECT_EQ(S_OK, again.Acquire(folder_.get(), milliseconds(0)));
}

// A holder that dies frees the lock: nothing is left to clean up by hand.
TEST_F(TaskFolderLockTest, AHolderThatDiesFreesTheLock) {
  int ready[2];
  ASSERT_EQ(0, pipe(ready));
  pid_t child = fork();
  if (child == 0) {
    TaskFolderLock held;
    if (held.Acquire(folder_.get()) != S_OK)
      _exit(1);
    (void)!write(ready[1], "x", 1);
    pause();  // until killed
    _exit(0);
  }
  close(ready[1]);
  char byte;
  ASSERT_EQ(1, read(ready[0], &byte, 1));
  close(ready[0]);
  TaskFolderLock waiting;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_TIMEOUT), waiting.Acquire(folder_.get(), milliseconds(20)));
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_EQ(S_OK, waiting.Acquire(folder_.get(), milliseconds(1000)));
}

TEST_F(TaskFolderLockTest, AFolderThatCannotBeOpenedIsReported) {
  TaskFolderLock lock;
  EXPECT_TRUE(FAILED(lock.Acquire(-1)));
  EXPECT_FALSE(lock.held());
}

}  // namespace

// For tests only: a fresh task folder per test (named through
// JOBWARDEN_TASKS_DIR, not yet created), COM initialised on the thread
// unless the code under test brackets COM itself, the recording reset, and
// everything removed again afterwards; and SchedulerFixture, a scheduler
// over such a folder that checks at the end that the test gave back every
// reference and task memory block it was handed.
#ifndef PLATFORM_TESTING_TASK_FOLDER_TESTING_H_
#define PLATFORM_TESTING_TASK_FOLDER_TESTING_H_

#include <gtest/gtest.h>
#include <mstask.h>
#include <time.h>

#include <string>
#include <vector>

#include "platform/taskscheduler/job_file.h"
#include "platform/testing/temporary_folder_testing.h"

class TestTaskFolder {
 public:
  // Tests of code that brackets COM itself leave the thread alone.
  enum class Com { kInitialised, kLeftAlone };

  explicit TestTaskFolder(Com com = Com::kInitialised);
  ~TestTaskFolder();
  TestTaskFolder(const TestTaskFolder&) = delete;
  TestTaskFolder& operator=(const TestTaskFolder&) = delete;

  // A private folder beside the task folder, for files that must stay
  // untouched.
  const std::string& root() const { return root_.path(); }
  const std::string& path() const { return path_; }

  void Create() const;

  // Waits (a few milliseconds at most) until the kernel's coarse clock has
  // passed the folder's last change, as it has for a folder left alone for
  // a moment: only then does a first save trust NewWorkItem's search.
  void WaitUntilLastChangeIsPast() const;

  // Sets the folder's modification time to a moment long past, so that a
  // change shows in it even where the file system keeps coarse times.
  void BackdateModification() const;

  // The names in the folder, sorted.
  std::vector<std::string> Files() const;

  // The stored task, decoded; a file that is missing or not a .job file
  // fails the test.
  JobFile StoredJob(const std::string& file_name) const;
  // Stores `job` as the file `file_name`, bypassing the component.
  void StoreJob(const std::string& file_name, const JobFile& job) const;

  static std::string Read(const std::string& path);
  static void Write(const std::string& path, const std::string& content);

 private:
  Com com_;
  TemporaryFolder root_;
  std::string path_;
};

// A scheduler from CoCreateInstance, or NULL.
ITaskScheduler* NewScheduler();

class SchedulerFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TestTaskFolder folder_;
  ITaskScheduler* scheduler_ = nullptr;

 private:
  int references_ = 0;
  int allocations_ = 0;
};

#endif  // PLATFORM_TESTING_TASK_FOLDER_TESTING_H_

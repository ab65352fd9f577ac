#include "platform/taskscheduler/task_scheduler.h"

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

TEST_F(TaskSchedulerTest, NewWorkItemRefusesNamesThatCannotBeATaskFile) {
  ITask* task = nullptr;
  for (const wchar_t* name : {L"", L"..", L"a/b", L"../../escape", L"a\\b", L"dot.", L"CON"})
    EXPECT_EQ(E_INVALIDARG, NewTask(scheduler_, name, &task)) << std::wstring(name);
  EXPECT_EQ(E_INVALIDARG, NewTask(scheduler_, nullptr, &task));
  EXPECT_EQ(E_INVALIDARG, NewTask(scheduler_, std::wstring(252, L'a').c_str(), &task));
  EXPECT_TRUE(FAILED(scheduler_->NewWorkItem(L"ok", CLSID_CTaskScheduler, IID_ITask,
                                             reinterpret_cast<IUnknown**>(&task))));
  EXPECT_EQ(nullptr, task);
  EXPECT_FALSE(std::filesystem::exists(folder_.path()));
}

TEST_F(TaskSchedulerTest, NewWorkItemStoresNothingUntilTheFirstSave) {
  ITask* task = nullptr;
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"Backup", &task));
  EXPECT_FALSE(std::filesystem::exists(folder_.path()));
  EXPECT_EQ(S_OK, Save(task));
  task->Release();
  EXPECT_EQ((Files{"Backup.job"}), folder_.Files());
}

// A NUL cannot come in an argument (the kernel ends the argument there),
// but a caller of the interface can put one in a name: the name ends at it,
// as every LPCWSTR does, and what follows never reaches a path.
TEST_F(TaskSchedulerTest, NameEndsAtItsFirstNul) {
  ASSERT_EQ(S_OK, Store(scheduler_, L"Backup\0/../../escape"));
  EXPECT_EQ((Files{"Backup.job"}), folder_.Files());
  EXPECT_EQ(S_OK, scheduler_->Delete(L"Backup\0.job"));
  EXPECT_EQ(Files{}, folder_.Files());
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_.root()))
    EXPECT_EQ(std::string::npos, entry.path().string().find("escape")) << entry.path();
}

TEST_F(TaskSchedulerTest, NameStoredInAnotherCaseIsTaken) {
  ASSERT_EQ(S_OK, Store(scheduler_, L"Backup"));
  ITask* task = nullptr;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), NewTask(scheduler_, L"BACKUP", &task));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), NewTask(scheduler_, L"backup", &task));
  EXPECT_EQ(nullptr, task);

  // Both objects exist before either is stored: the first save wins.
  ITask* first = nullptr;
  ITask* second = nullptr;
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"Nightly", &first));
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"NIGHTLY", &second));
  ASSERT_EQ(S_OK, first->SetParameters(L"first"));
  ASSERT_EQ(S_OK, second->SetParameters(L"second"));
  EXPECT_EQ(S_OK, Save(first));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), Save(second));
  first->Release();
  second->Release();
  EXPECT_EQ((Files{"Backup.job", "Nightly.job"}), folder_.Files());
  EXPECT_EQ(L"first", ReadJob(FilePath("Nightly.job")).parameters);
}

TEST_F(TaskSchedulerTest, NameStoredInAnotherCaseByAnotherProcessStopsTheFirstSave) {
  folder_.Create();
  folder_.WaitUntilLastChangeIsPast();
  ITask* task = nullptr;
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"Weekly", &task));
  // Written straight into the folder, as another process would.
  TestTaskFolder::Write(FilePath("WEEKLY.job"), "theirs");
  folder_.BackdateModification();
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), Save(task));
  task->Release();
  EXPECT_EQ((Files{"WEEKLY.job"}), folder_.Files());
  EXPECT_EQ("theirs", TestTaskFolder::Read(FilePath("WEEKLY.job")));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), NewTask(scheduler_, L"weekly", &task));
  EXPECT_EQ(nullptr, task);
}

TEST_F(TaskSchedulerTest, DeleteFindsTheTaskWithOrWithoutExtensionInAnyCase) {
  for (const wchar_t* name : {L"one", L"two", L"three", L"x.job"})
    ASSERT_EQ(S_OK, Store(scheduler_, name));
  EXPECT_EQ(S_OK, scheduler_->Delete(L"ONE"));
  EXPECT_EQ(S_OK, scheduler_->Delete(L"Two.JOB"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), scheduler_->Delete(L"one"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), scheduler_->Delete(L"four"));
  EXPECT_EQ(E_INVALIDARG, scheduler_->Delete(L""));
  EXPECT_EQ(E_INVALIDARG, scheduler_->Delete(nullptr));
  // The name Enum gives ("x.job.job") and the name it was made with both
  // find the task "x.job".
  EXPECT_EQ(S_OK, scheduler_->Delete(L"x.job.job"));
  EXPECT_EQ(Names{L"three.job"}, EnumerateAll(scheduler_, 1));
  EXPECT_EQ(S_OK, scheduler_->Delete(L"three"));
  EXPECT_EQ(Files{}, folder_.Files());
}

TEST_F(TaskSchedulerTest, ActivateRefusesMissingCorruptAndTruncatedFiles) {
  ITask* task = nullptr;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Activate(scheduler_, L"missing", &task));
  ASSERT_EQ(S_OK, Store(scheduler_, L"good"));
  std::string good = TestTaskFolder::Read(FilePath("good.job"));
  TestTaskFolder::Write(FilePath("empty.job"), "");
  TestTaskFolder::Write(FilePath("garbage.job"), std::string(300, '\xff'));
  TestTaskFolder::Write(FilePath("truncated.job"), good.substr(0, good.size() / 2));
  TestTaskFolder::Write(FilePath("huge.job"), good + std::string(2 << 20, '\0'));
  for (const wchar_t* name : {L"empty", L"garbage", L"truncated", L"huge"}) {
    EXPECT_TRUE(FAILED(Activate(scheduler_, name, &task))) << name;
    EXPECT_EQ(nullptr, task);
  }
  // They are still listed (and deletable), so the user can see and remove them.
  EXPECT_EQ(5u, EnumerateAll(scheduler_, 1).size());
  EXPECT_EQ(S_OK, scheduler_->Delete(L"garbage"));
}

TEST_F(TaskSchedulerTest, FolderThatCannotBeUsedFailsEveryCall) {
  TestTaskFolder::Write(folder_.path(), "a file where the folder should be");
  IEnumWorkItems* items = nullptr;
  EXPECT_TRUE(FAILED(scheduler_->Enum(&items)));
  EXPECT_EQ(nullptr, items);
  ITask* task = nullptr;
  EXPECT_TRUE(FAILED(NewTask(scheduler_, L"a", &task)));
  EXPECT_TRUE(FAILED(Activate(scheduler_, L"a", &task)));
  EXPECT_TRUE(FAILED(scheduler_->Delete(L"a")));
}

TEST_F(TaskSchedulerTest, ReadOnlyFolderRefusesTheSave) {
  if (geteuid() == 0)
    GTEST_SKIP() << "permission bits do not bind root";
  folder_.Create();
  chmod(folder_.path().c_str(), 0500);
  ITask* task = nullptr;
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"a", &task));
  EXPECT_EQ(E_ACCESSDENIED, Save(task));
  task->Release();
  chmod(folder_.path().c_str(), 0700);
  EXPECT_EQ(Files{}, folder_.Files());
}

TEST_F(TaskSchedulerTest, LinkPlantedUnderATaskNameNeverReachesItsTarget) {
  folder_.Create();
  const std::string target = folder_.root() + "/precious.job";
  TestTaskFolder::Write(target, "keep me");
  std::filesystem::create_symlink(target, FilePath("evil.job"));

  EXPECT_EQ(Names{}, EnumerateAll(scheduler_, 1));
  ITask* task = nullptr;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Activate(scheduler_, L"evil", &task));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), scheduler_->Delete(L"evil"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), NewTask(scheduler_, L"evil", &task));

  // Planted between NewWorkItem and the first save.
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"late", &task));
  std::filesystem::create_symlink(target, FilePath("late.job"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), Save(task));
  task->Release();

  // Planted in place of a stored task: the next save finds its own file
  // gone and leaves the link alone.
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"swapped", &task));
  ASSERT_EQ(S_OK, Save(task));
  std::filesystem::remove(FilePath("swapped.job"));
  std::filesystem::create_symlink(target, FilePath("swapped.job"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Save(task));
  task->Release();
  EXPECT_TRUE(std::filesystem::is_symlink(FilePath("swapped.job")));

  EXPECT_EQ("keep me", TestTaskFolder::Read(target));
  EXPECT_TRUE(std::filesystem::is_symlink(FilePath("evil.job")));
}

// Each child creates and first-saves `name`; exits 0 when its save won.

}  // namespace

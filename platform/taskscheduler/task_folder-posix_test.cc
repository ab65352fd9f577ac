// The task folder as a whole: opening and creating it, reading a task, the
// lock held across a read and a save, and every step in the folder opened
// first.
#include "platform/taskscheduler/task_folder-posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/taskscheduler/task_folder_fixture_testing.h"

namespace {

using Names = std::vector<std::wstring>;

class TaskFolderTest : public TaskFolderFixture {};

TEST_F(TaskFolderTest, FolderThatDoesNotExistYetHoldsNoTasks) {
  Names names{L"stale"};
  EXPECT_EQ(S_OK, folder_.ListTasks(&names));
  EXPECT_TRUE(names.empty());
  std::wstring found;
  EXPECT_EQ(S_FALSE, folder_.FindTask(L"a.job", &found));
  EXPECT_TRUE(IsFree(L"a.job"));
  std::vector<uint8_t> bytes;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.ReadTask(L"a.job", &bytes));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.RemoveTask({L"a.job"}));
  StoredFile stored;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            folder_.ReplaceTask(L"a.job", Job(1, L"x"), &stored));
  EXPECT_FALSE(std::filesystem::exists(scratch_.path()));
}

TEST_F(TaskFolderTest, FirstWriteCreatesAnOwnerOnlyFolder) {
  ASSERT_EQ(S_OK, Create(L"a.job", Bytes("one")));
  struct stat info = {};
  ASSERT_EQ(0, stat(scratch_.path().c_str(), &info));
  EXPECT_EQ(0u, info.st_mode & 077);
  ASSERT_EQ(0, stat(FilePath("a.job").c_str(), &info));
  EXPECT_EQ(0u, info.st_mode & 077);
  EXPECT_EQ("one", TestTaskFolder::Read(FilePath("a.job")));
}

TEST_F(TaskFolderTest, OnlyTheDefaultLocationGetsItsParentsCreated) {
  StoredFile stored;
  TaskFolder named(scratch_.root() + "/missing/tasks", false);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
            named.CreateTask(L"a.job", Bytes("x"), FolderScan(), &stored));
  TaskFolder nested(scratch_.root() + "/data/jobwarden/tasks", true);
  EXPECT_EQ(S_OK, nested.CreateTask(L"a.job", Bytes("x"), FolderScan(), &stored));
  struct stat info = {};
  ASSERT_EQ(0, stat((scratch_.root() + "/data/jobwarden").c_str(), &info));
  EXPECT_EQ(0u, info.st_mode & 077);
}

// A read, change and save under one hold of the lock: no other writer
// gets in meanwhile, the save still replaces only the file that was read,
// and a lock not taken is refused rather than trusted.
TEST_F(TaskFolderTest, ReplacesTheFileReadUnderTheLockTheCallerHolds) {
  ASSERT_EQ(S_OK, Create(L"Backup.job", Job(1, L"first")));
  const Descriptor folder_fd(open(scratch_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  TaskFolderLock other;
  StoredFile read;
  {
    TaskFolderLock lock;
    ASSERT_EQ(S_OK, folder_.Lock(&lock));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_TIMEOUT),
              other.Acquire(folder_fd.get(), std::chrono::milliseconds(0)));
    std::vector<uint8_t> bytes;
    ASSERT_EQ(S_OK, folder_.ReadTask(L"Backup.job", &bytes, &read));
    EXPECT_EQ(S_OK, folder_.ReplaceTaskLocked(lock, L"Backup.job", Job(1, L"second"), &read));
    EXPECT_EQ(S_OK, folder_.ReplaceTaskLocked(lock, L"Backup.job", Job(1, L"third"), &read));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
              folder_.ReplaceTaskLocked(lock, L"Other.job", Job(1, L"new"), &read));
  }
  const TaskFolderLock not_taken;
  EXPECT_EQ(E_UNEXPECTED, folder_.ReplaceTaskLocked(not_taken, L"Backup.job", Job(1, L"x"), &read));
  EXPECT_EQ(S_OK, other.Acquire(folder_fd.get(), std::chrono::milliseconds(0)));
  EXPECT_EQ(L"third", ParametersOf(TestTaskFolder::Read(FilePath("Backup.job"))));
  EXPECT_EQ((std::vector<std::string>{"Backup.job"}), scratch_.Files());

  TaskFolder missing(scratch_.path() + "/missing", false);
  TaskFolderLock none;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), missing.Lock(&none));
  EXPECT_FALSE(none.held());
}

// Many files under one hold, each by ReplaceTaskLocked's rule: the file
// read is replaced, one replaced or deleted since is not, and a hard link's
// other name keeps the old content.
TEST_F(TaskFolderTest, ReplacesABatchFileByFileUnderOneHold) {
  StoredFile a, b, c;
  ASSERT_EQ(S_OK, Create(L"a.job", Job(1, L"a"), &a));
  ASSERT_EQ(S_OK, Create(L"b.job", Job(2, L"b"), &b));
  ASSERT_EQ(S_OK, Create(L"c.job", Job(3, L"c"), &c));
  const std::string outside = scratch_.root() + "/outside";
  ASSERT_EQ(0, link(FilePath("a.job").c_str(), outside.c_str()));
  std::filesystem::remove(FilePath("b.job"));
  StoredFile ignored;
  ASSERT_EQ(S_OK, Create(L"b.job", Job(4, L"b anew"), &ignored));
  std::filesystem::remove(FilePath("c.job"));
  // Left by a writer killed in the middle of a batch.
  TestTaskFolder::Write(FilePath(".jobwarden-0123456789abcdef.tmp"), "half");

  std::vector<TaskReplacement> batch(3);
  batch[0] = {L"a.job", Job(1, L"a2"), a};
  batch[1] = {L"b.job", Job(2, L"b2"), b};
  batch[2] = {L"c.job", Job(3, L"c2"), c};
  {
    TaskFolderLock lock;
    ASSERT_EQ(S_OK, folder_.Lock(&lock));
    folder_.ReplaceTasksLocked(lock, &batch);
  }
  EXPECT_EQ(S_OK, batch[0].result);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), batch[1].result);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), batch[2].result);
  EXPECT_EQ(L"a2", ParametersOf(TestTaskFolder::Read(FilePath("a.job"))));
  EXPECT_EQ(L"a", ParametersOf(TestTaskFolder::Read(outside)));
  EXPECT_EQ(L"b anew", ParametersOf(TestTaskFolder::Read(FilePath("b.job"))));
  EXPECT_EQ((std::vector<std::string>{"a.job", "b.job"}), scratch_.Files());

  // The batch's `stored` now names the new file: a second batch replaces it.
  std::vector<TaskReplacement> again(1);
  again[0] = {L"a.job", Job(1, L"a3"), batch[0].stored};
  TaskFolderLock lock;
  ASSERT_EQ(S_OK, folder_.Lock(&lock));
  folder_.ReplaceTasksLocked(lock, &again);
  EXPECT_EQ(S_OK, again[0].result);
  const TaskFolderLock not_taken;
  folder_.ReplaceTasksLocked(not_taken, &again);
  EXPECT_EQ(E_UNEXPECTED, again[0].result);
}

// The folder is the same however its path is spelled.
TEST_F(TaskFolderTest, IdentityNamesTheFolderNotItsPath) {
  scratch_.Create();
  TaskFolder slash(scratch_.path() + "/", false), dot(scratch_.path() + "/.", false);
  StoredFile plain, with_slash, with_dot;
  ASSERT_EQ(S_OK, folder_.Identity(&plain));
  ASSERT_EQ(S_OK, slash.Identity(&with_slash));
  ASSERT_EQ(S_OK, dot.Identity(&with_dot));
  EXPECT_EQ(plain.inode, with_slash.inode);
  EXPECT_EQ(plain.inode, with_dot.inode);
  EXPECT_EQ(plain.device, with_dot.device);
  TaskFolder missing(scratch_.path() + "/missing", false);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), missing.Identity(&plain));
}

// The descriptor opened first serves every later step: a task folder
// swapped for another on disk between the steps of one object (a parent
// symbolic link pointed elsewhere) is never the one written or removed.
TEST_F(TaskFolderTest, EveryStepWorksInTheFolderOpenedFirst) {
  const std::string real = scratch_.root() + "/real";
  const std::string other = scratch_.root() + "/other";
  std::filesystem::create_directories(real + "/tasks");
  std::filesystem::create_directories(other + "/tasks");
  const std::string link = scratch_.root() + "/current";
  std::filesystem::create_directory_symlink(real, link);
  TaskFolder folder(link + "/tasks", false);
  auto point_link_at = [&](const std::string& target) {
    std::filesystem::remove(link);
    std::filesystem::create_directory_symlink(target, link);
  };

  FolderScan scan;
  ASSERT_EQ(S_FALSE, folder.FindTakenName(L"a.job", &scan));
  point_link_at(other);
  StoredFile stored;
  ASSERT_EQ(S_OK, folder.CreateTask(L"a.job", Job(1, L"bare"), scan, &stored));
  ASSERT_EQ(S_OK, folder.ReplaceTask(L"a.job", Job(1, L"full"), &stored));
  TestTaskFolder::Write(other + "/tasks/b.job", "other b");
  TestTaskFolder::Write(real + "/tasks/b.job", "real b");
  ASSERT_EQ(S_OK, folder.RemoveTask({L"b.job"}));
  Names names;
  ASSERT_EQ(S_OK, folder.ListTasks(&names));
  EXPECT_EQ(Names{L"a.job"}, names);

  EXPECT_EQ(L"full", ParametersOf(TestTaskFolder::Read(real + "/tasks/a.job")));
  EXPECT_FALSE(std::filesystem::exists(real + "/tasks/b.job"));
  EXPECT_FALSE(std::filesystem::exists(other + "/tasks/a.job"));
  EXPECT_EQ("other b", TestTaskFolder::Read(other + "/tasks/b.job"));
}

// What the service judges a task by: the status of the file that was read
// and of the folder opened first, not of whatever the paths name later.
TEST_F(TaskFolderTest, ReportsTheStatusOfTheFileReadAndOfTheFolderOpened) {
  struct stat folder_status = {};
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.FolderStatus(&folder_status));
  ASSERT_EQ(S_OK, Create(L"a.job", Job(1, L"x")));
  ASSERT_EQ(0, link(FilePath("a.job").c_str(), (scratch_.root() + "/second").c_str()));
  struct stat on_disk = {};
  ASSERT_EQ(0, stat(scratch_.path().c_str(), &on_disk));
  const std::string moved = scratch_.root() + "/moved";
  ASSERT_EQ(0, rename(scratch_.path().c_str(), moved.c_str()));
  std::filesystem::create_directories(scratch_.path());

  std::vector<uint8_t> bytes;
  struct stat file_status = {};
  ASSERT_EQ(S_OK, folder_.ReadTask(L"a.job", &bytes, nullptr, &file_status));
  EXPECT_TRUE(S_ISREG(file_status.st_mode));
  EXPECT_EQ(2u, file_status.st_nlink);
  EXPECT_EQ(0600u, file_status.st_mode & 07777);
  ASSERT_EQ(S_OK, folder_.FolderStatus(&folder_status));
  EXPECT_EQ(on_disk.st_ino, folder_status.st_ino);
  EXPECT_EQ(0700u, folder_status.st_mode & 07777);
}

TEST_F(TaskFolderTest, RefusesToReadMoreThanTheLimit) {
  scratch_.Create();
  TestTaskFolder::Write(scratch_.path() + "/huge.job", std::string(kMaxTaskFileSize + 1, 'x'));
  TestTaskFolder::Write(scratch_.path() + "/limit.job", std::string(kMaxTaskFileSize, 'x'));
  std::vector<uint8_t> bytes;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), folder_.ReadTask(L"huge.job", &bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(S_OK, folder_.ReadTask(L"limit.job", &bytes));
  EXPECT_EQ(kMaxTaskFileSize, bytes.size());
}

TEST_F(TaskFolderTest, UnwritableFolderFailsWithAccessDeniedAndLeavesNoFile) {
  if (geteuid() == 0)
    GTEST_SKIP() << "permission bits do not bind root";
  scratch_.Create();
  chmod(scratch_.path().c_str(), 0500);
  EXPECT_EQ(E_ACCESSDENIED, Create(L"a.job", Bytes("x")));
  chmod(scratch_.path().c_str(), 0000);
  Names names;
  EXPECT_EQ(E_ACCESSDENIED, folder_.ListTasks(&names));
  chmod(scratch_.path().c_str(), 0700);
  EXPECT_TRUE(scratch_.Files().empty());
}

}  // namespace

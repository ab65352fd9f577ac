// A save through the temporary file and the rename: a first save never
// replaces, a later one replaces only the file it stored, and no temporary
// file outlives its writer's next save.
#include "platform/taskscheduler/atomic_publish-posix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/taskscheduler/task_folder_fixture_testing.h"

namespace {

class AtomicPublishTest : public TaskFolderFixture {};

TEST_F(AtomicPublishTest, CreatingNeverReplacesAndReplacingLeavesNoTemporaryFile) {
  StoredFile stored;
  ASSERT_EQ(S_OK, Create(L"Backup.job", Job(1, L"first"), &stored));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), Create(L"Backup.job", Job(2, L"second")));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), Create(L"BACKUP.job", Job(2, L"second")));
  // Even without NewWorkItem's refusal, the first save itself refuses.
  StoredFile ignored;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"BACKUP.job", Job(2, L"second"), FolderScan(), &ignored));
  EXPECT_EQ(L"first", ParametersOf(TestTaskFolder::Read(FilePath("Backup.job"))));
  ASSERT_EQ(S_OK, folder_.ReplaceTask(L"Backup.job", Job(1, L"third"), &stored));
  ASSERT_EQ(S_OK, folder_.ReplaceTask(L"Backup.job", Job(1, L"fourth"), &stored));
  std::vector<uint8_t> bytes;
  ASSERT_EQ(S_OK, folder_.ReadTask(L"Backup.job", &bytes));
  EXPECT_EQ(Job(1, L"fourth"), bytes);
  EXPECT_EQ((std::vector<std::string>{"Backup.job"}), scratch_.Files());
}

// A delete that reported success is never undone by the creator's second
// save, and a task stored in its place meanwhile is not replaced, even when
// it got the freed inode number back.
TEST_F(AtomicPublishTest, ALaterSaveReplacesOnlyTheFileItStored) {
  StoredFile stored;
  ASSERT_EQ(S_OK, Create(L"Backup.job", Job(1, L"bare"), &stored));
  ASSERT_EQ(S_OK, folder_.RemoveTask({L"backup.job"}));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            folder_.ReplaceTask(L"Backup.job", Job(1, L"full"), &stored));
  EXPECT_EQ(std::vector<std::string>{}, scratch_.Files());

  // Another task under the name, on the same inode as ours.
  ASSERT_EQ(S_OK, Create(L"Backup.job", Job(2, L"theirs")));
  struct stat info = {};
  ASSERT_EQ(0, stat(FilePath("Backup.job").c_str(), &info));
  StoredFile same_inode{info.st_dev, info.st_ino};
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            folder_.ReplaceTask(L"Backup.job", Job(1, L"full"), &same_inode));
  // The same content copied over it: another inode.
  std::filesystem::copy_file(FilePath("Backup.job"), FilePath("copy"));
  std::filesystem::rename(FilePath("copy"), FilePath("Backup.job"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            folder_.ReplaceTask(L"Backup.job", Job(2, L"full"), &same_inode));
  EXPECT_EQ(L"theirs", ParametersOf(TestTaskFolder::Read(FilePath("Backup.job"))));
  EXPECT_EQ((std::vector<std::string>{"Backup.job"}), scratch_.Files());
}

// Left by writers killed in the middle of a save: the next first save
// removes them, whether it trusts NewWorkItem's scan or scans again, and
// never a file that only looks alike.
TEST_F(AtomicPublishTest, FirstSaveRemovesTemporaryFilesLeftBehind) {
  scratch_.Create();
  const std::vector<std::string> left = {".jobwarden-0123456789abcdef.tmp",
                                         ".jobwarden-fedcba9876543210.tmp"};
  const std::vector<std::string> kept = {".jobwarden-0123.tmp", ".jobwarden-0123456789abcdef.tmp~",
                                         "jobwarden-0123456789abcdef.tmp"};
  for (const std::string& name : left)
    TestTaskFolder::Write(FilePath(name), "half a task");
  for (const std::string& name : kept)
    TestTaskFolder::Write(FilePath(name), "the user's");
  scratch_.WaitUntilLastChangeIsPast();
  ASSERT_EQ(S_OK, Create(L"a.job", Bytes("a")));
  std::vector<std::string> expected = kept;
  expected.push_back("a.job");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, scratch_.Files());

  TestTaskFolder::Write(FilePath(left[0]), "half a task");
  FolderScan scan;
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"b.job", &scan));
  TestTaskFolder::Write(FilePath(left[1]), "half a task");  // after the scan
  StoredFile stored;
  ASSERT_EQ(S_OK, folder_.CreateTask(L"b.job", Bytes("b"), scan, &stored));
  expected.push_back("b.job");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, scratch_.Files());
}

}  // namespace

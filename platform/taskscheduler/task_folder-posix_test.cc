#include "task_folder-posix.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hresults.h"
#include "test_task_folder.h"

namespace {

using WriteMode = TaskFolder::WriteMode;
using Names = std::vector<std::wstring>;

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

class TaskFolderTest : public ::testing::Test {
 protected:
  TestTaskFolder scratch_;
  TaskFolder folder_{scratch_.path(), false};
};

TEST_F(TaskFolderTest, FolderThatDoesNotExistYetHoldsNoTasks) {
  Names names{L"stale"};
  EXPECT_EQ(S_OK, folder_.ListTasks(&names));
  EXPECT_TRUE(names.empty());
  std::wstring found;
  bool regular = false;
  EXPECT_EQ(S_FALSE, folder_.FindEntry(L"a.job", &found, &regular));
  std::vector<uint8_t> bytes;
  EXPECT_EQ(HRESULT_FILE_NOT_FOUND, folder_.ReadTask(L"a.job", &bytes));
  EXPECT_EQ(HRESULT_FILE_NOT_FOUND, folder_.RemoveTask(L"a.job"));
  EXPECT_FALSE(std::filesystem::exists(scratch_.path()));
}

TEST_F(TaskFolderTest, FirstWriteCreatesAnOwnerOnlyFolder) {
  ASSERT_EQ(S_OK, folder_.WriteTask(L"a.job", Bytes("one"), WriteMode::kCreateNew));
  struct stat info = {};
  ASSERT_EQ(0, stat(scratch_.path().c_str(), &info));
  EXPECT_EQ(0u, info.st_mode & 077);
  ASSERT_EQ(0, stat((scratch_.path() + "/a.job").c_str(), &info));
  EXPECT_EQ(0u, info.st_mode & 077);
  EXPECT_EQ("one", TestTaskFolder::Read(scratch_.path() + "/a.job"));
}

TEST_F(TaskFolderTest, OnlyTheDefaultLocationGetsItsParentsCreated) {
  TaskFolder named(scratch_.root() + "/missing/tasks", false);
  EXPECT_EQ(HRESULT_PATH_NOT_FOUND, named.WriteTask(L"a.job", Bytes("x"), WriteMode::kCreateNew));
  TaskFolder nested(scratch_.root() + "/data/jobwarden/tasks", true);
  EXPECT_EQ(S_OK, nested.WriteTask(L"a.job", Bytes("x"), WriteMode::kCreateNew));
  struct stat info = {};
  ASSERT_EQ(0, stat((scratch_.root() + "/data/jobwarden").c_str(), &info));
  EXPECT_EQ(0u, info.st_mode & 077);
}

TEST_F(TaskFolderTest, LocationComesFromTheEnvironment) {
  bool is_default = true;
  EXPECT_EQ(scratch_.path(), TaskFolderPathFromEnvironment(&is_default));
  EXPECT_FALSE(is_default);

  unsetenv("JOBWARDEN_TASKS_DIR");
  const char* saved = getenv("XDG_DATA_HOME");
  std::string saved_value = saved ? saved : "";
  setenv("XDG_DATA_HOME", "/xdg/data", 1);
  EXPECT_EQ("/xdg/data/jobwarden/tasks", TaskFolderPathFromEnvironment(&is_default));
  EXPECT_TRUE(is_default);
  setenv("XDG_DATA_HOME", "relative/data", 1);  // ignored, as the XDG rules say
  std::string fallback = TaskFolderPathFromEnvironment(&is_default);
  const std::string suffix = "/.local/share/jobwarden/tasks";
  ASSERT_GT(fallback.size(), suffix.size());
  EXPECT_EQ(suffix, fallback.substr(fallback.size() - suffix.size()));
  if (saved)
    setenv("XDG_DATA_HOME", saved_value.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

TEST_F(TaskFolderTest, ListsRegularJobFilesOnlySortedWithoutRegardToCase) {
  scratch_.Create();
  for (const char* name : {"b.job", "A.JOB", "c.Job", "notes.txt", "d.job.tmp",
                           ".jobwarden-0011.tmp", "job"})
    TestTaskFolder::Write(scratch_.path() + "/" + name, "x");
  std::filesystem::create_directory(scratch_.path() + "/dir.job");
  std::filesystem::create_symlink(scratch_.path() + "/b.job", scratch_.path() + "/link.job");
  Names names;
  ASSERT_EQ(S_OK, folder_.ListTasks(&names));
  EXPECT_EQ((Names{L"A.JOB", L"b.job", L"c.Job"}), names);
}

TEST_F(TaskFolderTest, FindsAnyEntryWithoutRegardToCase) {
  scratch_.Create();
  TestTaskFolder::Write(scratch_.path() + "/Backup.job", "x");
  std::filesystem::create_directory(scratch_.path() + "/Folder.job");
  std::wstring found;
  bool regular = false;
  ASSERT_EQ(S_OK, folder_.FindEntry(L"BACKUP.JOB", &found, &regular));
  EXPECT_EQ(L"Backup.job", found);
  EXPECT_TRUE(regular);
  ASSERT_EQ(S_OK, folder_.FindEntry(L"folder.job", &found, &regular));
  EXPECT_FALSE(regular);
  EXPECT_EQ(S_FALSE, folder_.FindEntry(L"Backup", &found, &regular));
}

TEST_F(TaskFolderTest, CreatingNeverReplacesAndReplacingLeavesNoTemporaryFile) {
  ASSERT_EQ(S_OK, folder_.WriteTask(L"Backup.job", Bytes("first"), WriteMode::kCreateNew));
  EXPECT_EQ(HRESULT_FILE_EXISTS,
            folder_.WriteTask(L"Backup.job", Bytes("second"), WriteMode::kCreateNew));
  EXPECT_EQ(HRESULT_FILE_EXISTS,
            folder_.WriteTask(L"BACKUP.job", Bytes("second"), WriteMode::kCreateNew));
  EXPECT_EQ("first", TestTaskFolder::Read(scratch_.path() + "/Backup.job"));
  ASSERT_EQ(S_OK, folder_.WriteTask(L"Backup.job", Bytes("third"), WriteMode::kReplace));
  std::vector<uint8_t> bytes;
  ASSERT_EQ(S_OK, folder_.ReadTask(L"Backup.job", &bytes));
  EXPECT_EQ(Bytes("third"), bytes);
  EXPECT_EQ((std::vector<std::string>{"Backup.job"}), scratch_.Files());
}

TEST_F(TaskFolderTest, FirstWriteFindsACaseVariantStoredSinceTheSearch) {
  scratch_.Create();
  scratch_.WaitUntilLastChangeIsPast();
  std::wstring found;
  bool regular = false;
  FolderVersion scanned;
  ASSERT_EQ(S_FALSE, folder_.FindEntry(L"Nightly.job", &found, &regular, &scanned));
  // A folder left alone since before the search: its version is known, so
  // only noticing the change below makes the write search again.
  EXPECT_TRUE(scanned.known);
  // Another process stores the name in another case meanwhile.
  TestTaskFolder::Write(scratch_.path() + "/NIGHTLY.job", "theirs");
  scratch_.BackdateModification();
  EXPECT_EQ(HRESULT_FILE_EXISTS,
            folder_.WriteTask(L"Nightly.job", Bytes("ours"), WriteMode::kCreateNew, scanned));
  EXPECT_EQ((std::vector<std::string>{"NIGHTLY.job"}), scratch_.Files());
  EXPECT_EQ("theirs", TestTaskFolder::Read(scratch_.path() + "/NIGHTLY.job"));
}

TEST_F(TaskFolderTest, FirstWriteIntoAnUnchangedFolderStoresTheTask) {
  scratch_.Create();
  TestTaskFolder::Write(scratch_.path() + "/Other.job", "other");
  scratch_.WaitUntilLastChangeIsPast();
  std::wstring found;
  bool regular = false;
  FolderVersion scanned;
  ASSERT_EQ(S_FALSE, folder_.FindEntry(L"Nightly.job", &found, &regular, &scanned));
  ASSERT_EQ(S_OK,
            folder_.WriteTask(L"Nightly.job", Bytes("ours"), WriteMode::kCreateNew, scanned));
  EXPECT_EQ((std::vector<std::string>{"Nightly.job", "Other.job"}), scratch_.Files());
  EXPECT_EQ("ours", TestTaskFolder::Read(scratch_.path() + "/Nightly.job"));
  // The same name again is refused by the publication itself.
  EXPECT_EQ(HRESULT_FILE_EXISTS,
            folder_.WriteTask(L"Nightly.job", Bytes("again"), WriteMode::kCreateNew, scanned));
}

TEST_F(TaskFolderTest, RefusesToReadMoreThanTheLimit) {
  scratch_.Create();
  TestTaskFolder::Write(scratch_.path() + "/huge.job", std::string(kMaxTaskFileSize + 1, 'x'));
  TestTaskFolder::Write(scratch_.path() + "/limit.job", std::string(kMaxTaskFileSize, 'x'));
  std::vector<uint8_t> bytes;
  EXPECT_EQ(HRESULT_INVALID_DATA, folder_.ReadTask(L"huge.job", &bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(S_OK, folder_.ReadTask(L"limit.job", &bytes));
  EXPECT_EQ(kMaxTaskFileSize, bytes.size());
}

TEST_F(TaskFolderTest, RemovesRegularFilesOnly) {
  scratch_.Create();
  TestTaskFolder::Write(scratch_.path() + "/a.job", "x");
  std::filesystem::create_directory(scratch_.path() + "/dir.job");
  EXPECT_EQ(S_OK, folder_.RemoveTask(L"a.job"));
  EXPECT_EQ(HRESULT_FILE_NOT_FOUND, folder_.RemoveTask(L"a.job"));
  EXPECT_EQ(HRESULT_FILE_NOT_FOUND, folder_.RemoveTask(L"dir.job"));
  EXPECT_EQ((std::vector<std::string>{"dir.job"}), scratch_.Files());
}

TEST_F(TaskFolderTest, RemovesNothingOutsideTheFolder) {
  scratch_.Create();
  TestTaskFolder::Write(scratch_.root() + "/outside.job", "x");
  EXPECT_EQ(HRESULT_FILE_NOT_FOUND, folder_.RemoveTask(L"../outside.job"));
  EXPECT_TRUE(std::filesystem::exists(scratch_.root() + "/outside.job"));
}

TEST_F(TaskFolderTest, UnwritableFolderFailsWithAccessDeniedAndLeavesNoFile) {
  if (geteuid() == 0)
    GTEST_SKIP() << "permission bits do not bind root";
  scratch_.Create();
  chmod(scratch_.path().c_str(), 0500);
  EXPECT_EQ(E_ACCESSDENIED, folder_.WriteTask(L"a.job", Bytes("x"), WriteMode::kCreateNew));
  chmod(scratch_.path().c_str(), 0000);
  Names names;
  EXPECT_EQ(E_ACCESSDENIED, folder_.ListTasks(&names));
  chmod(scratch_.path().c_str(), 0700);
  EXPECT_TRUE(scratch_.Files().empty());
}

}  // namespace

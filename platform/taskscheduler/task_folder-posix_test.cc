#include "task_folder-posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "job_file.h"
#include "task_folder_location-posix.h"
#include "task_folder_testing.h"

namespace {

using Names = std::vector<std::wstring>;

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The bytes of a task whose job UUID starts with `uuid_byte`, holding
// `parameters`: a later save tells its own file apart by the UUID.
std::vector<uint8_t> Job(uint8_t uuid_byte, const wchar_t* parameters) {
  JobFile job;
  job.job_uuid[0] = uuid_byte;
  job.parameters = parameters;
  return SerializeJobFile(job);
}

std::wstring ParametersOf(const std::string& bytes) {
  JobFile job;
  EXPECT_TRUE(ParseJobFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &job));
  return job.parameters;
}

class TaskFolderTest : public ::testing::Test {
 protected:
  // A first save as NewWorkItem and IPersistFile::Save make it.
  HRESULT Create(const std::wstring& file_name, const std::vector<uint8_t>& bytes,
                 StoredFile* stored = nullptr) {
    FolderScan scan;
    HRESULT taken = folder_.FindTakenName(file_name, &scan);
    if (FAILED(taken))
      return taken;
    StoredFile ignored;
    return folder_.CreateTask(file_name, bytes, scan, stored ? stored : &ignored);
  }
  // Whether the name is free, by NewWorkItem's rule.
  bool IsFree(const std::wstring& file_name) {
    FolderScan scan;
    return folder_.FindTakenName(file_name, &scan) == S_FALSE;
  }
  std::string FilePath(const std::string& name) const { return scratch_.path() + "/" + name; }

  TestTaskFolder scratch_;
  TaskFolder folder_{scratch_.path(), false};
};

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
    TestTaskFolder::Write(FilePath(name), "x");
  std::filesystem::create_directory(FilePath("dir.job"));
  std::filesystem::create_symlink(FilePath("b.job"), FilePath("link.job"));
  Names names;
  ASSERT_EQ(S_OK, folder_.ListTasks(&names));
  EXPECT_EQ((Names{L"A.JOB", L"b.job", L"c.Job"}), names);
}

// A listing prints each name on a line of its own: a name NewWorkItem
// would refuse could print a line that is no task, or drive the terminal.
TEST_F(TaskFolderTest, ListsNoFileWhoseNameNoTaskCouldHave) {
  scratch_.Create();
  for (const char* name : {"zzz\nAdmin backdoor.job", "csi\xc2\x9b" "31m.job", "osc\xc2\x9d.job",
                           "line\xe2\x80\xa8sep.job", "tab\t.job", "CON.job", ".job",
                           "blank .job", "kept \xc3\xa9.job"})
    TestTaskFolder::Write(FilePath(name), "x");
  Names names;
  ASSERT_EQ(S_OK, folder_.ListTasks(&names));
  EXPECT_EQ((Names{L"kept \x00e9.job"}), names);
}

TEST_F(TaskFolderTest, AnyEntryInAnyCaseTakesANameButOnlyRegularFilesAreTasks) {
  scratch_.Create();
  TestTaskFolder::Write(FilePath("Backup.job"), "x");
  std::filesystem::create_directory(FilePath("Folder.job"));
  std::wstring found;
  ASSERT_EQ(S_OK, folder_.FindTask(L"BACKUP.JOB", &found));
  EXPECT_EQ(L"Backup.job", found);
  EXPECT_EQ(S_FALSE, folder_.FindTask(L"folder.job", &found));
  EXPECT_FALSE(IsFree(L"folder.job"));
  EXPECT_FALSE(IsFree(L"backup.JOB"));
  EXPECT_TRUE(IsFree(L"Backup"));
}

// A FIFO, link or folder planted in another case sorts before the task,
// and must not hide it from a lookup or a removal.
TEST_F(TaskFolderTest, AnEntryPlantedInAnotherCaseNeverHidesTheTask) {
  scratch_.Create();
  TestTaskFolder::Write(FilePath("Foo.job"), "task");
  ASSERT_EQ(0, mkfifo(FilePath("FOO.job").c_str(), 0600));
  std::filesystem::create_directory(FilePath("FOo.job"));
  std::filesystem::create_symlink(FilePath("Foo.job"), FilePath("FoO.job"));
  std::wstring found;
  ASSERT_EQ(S_OK, folder_.FindTask(L"foo.job", &found));
  EXPECT_EQ(L"Foo.job", found);
  EXPECT_EQ(S_OK, folder_.RemoveTask({L"foo.job"}));
  EXPECT_EQ((std::vector<std::string>{"FOO.job", "FOo.job", "FoO.job"}), scratch_.Files());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.RemoveTask({L"foo.job"}));
}

TEST_F(TaskFolderTest, CreatingNeverReplacesAndReplacingLeavesNoTemporaryFile) {
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
TEST_F(TaskFolderTest, ALaterSaveReplacesOnlyTheFileItStored) {
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

TEST_F(TaskFolderTest, FirstWriteFindsACaseVariantStoredSinceTheSearch) {
  scratch_.Create();
  scratch_.WaitUntilLastChangeIsPast();
  FolderScan scan;
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"Nightly.job", &scan));
  // A folder left alone since before the search: its change stamp is known, so
  // only noticing the change below makes the write search again.
  EXPECT_TRUE(scan.stamp.known);
  // Another process stores the name in another case meanwhile.
  TestTaskFolder::Write(FilePath("NIGHTLY.job"), "theirs");
  scratch_.BackdateModification();
  StoredFile stored;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"Nightly.job", Bytes("ours"), scan, &stored));
  EXPECT_EQ((std::vector<std::string>{"NIGHTLY.job"}), scratch_.Files());
  EXPECT_EQ("theirs", TestTaskFolder::Read(FilePath("NIGHTLY.job")));
}

// Every writer marks its change with a modification time of its own, so
// a change right after another, within one tick of the kernel's coarse
// clock, still shows: NewWorkItem's scan is trusted at once, and never
// when another writer has stored a case variant since.
TEST_F(TaskFolderTest, ChangesInQuickSuccessionAreToldApart) {
  TaskFolder other(scratch_.path(), false);
  StoredFile stored;
  ASSERT_EQ(S_OK, other.CreateTask(L"First.job", Bytes("first"), FolderScan(), &stored));
  FolderScan scan;
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"Nightly.job", &scan));
  EXPECT_TRUE(scan.stamp.known);
  ASSERT_EQ(S_OK, other.CreateTask(L"NIGHTLY.job", Bytes("theirs"), FolderScan(), &stored));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"Nightly.job", Bytes("ours"), scan, &stored));
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"Daily.job", &scan));
  ASSERT_EQ(S_OK, other.RemoveTask({L"nightly.job"}));
  ASSERT_EQ(S_OK, other.CreateTask(L"DAILY.job", Bytes("theirs"), FolderScan(), &stored));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"Daily.job", Bytes("ours"), scan, &stored));
  EXPECT_EQ((std::vector<std::string>{"DAILY.job", "First.job"}), scratch_.Files());
}

TEST_F(TaskFolderTest, FirstWriteIntoAnUnchangedFolderStoresTheTask) {
  scratch_.Create();
  TestTaskFolder::Write(FilePath("Other.job"), "other");
  scratch_.WaitUntilLastChangeIsPast();
  FolderScan scan;
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"Nightly.job", &scan));
  StoredFile stored;
  ASSERT_EQ(S_OK, folder_.CreateTask(L"Nightly.job", Bytes("ours"), scan, &stored));
  EXPECT_EQ((std::vector<std::string>{"Nightly.job", "Other.job"}), scratch_.Files());
  EXPECT_EQ("ours", TestTaskFolder::Read(FilePath("Nightly.job")));
  // The same name again is refused by the publication itself.
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"Nightly.job", Bytes("again"), scan, &stored));
}

// Left by writers killed in the middle of a save: the next first save
// removes them, whether it trusts NewWorkItem's scan or scans again, and
// never a file that only looks alike.
TEST_F(TaskFolderTest, FirstSaveRemovesTemporaryFilesLeftBehind) {
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

TEST_F(TaskFolderTest, RemovesRegularFilesOnly) {
  scratch_.Create();
  TestTaskFolder::Write(FilePath("a.job"), "x");
  std::filesystem::create_directory(FilePath("dir.job"));
  EXPECT_EQ(S_OK, folder_.RemoveTask({L"a.job"}));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.RemoveTask({L"a.job"}));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.RemoveTask({L"dir.job"}));
  EXPECT_EQ((std::vector<std::string>{"dir.job"}), scratch_.Files());
}

TEST_F(TaskFolderTest, RemovesNothingOutsideTheFolder) {
  scratch_.Create();
  TestTaskFolder::Write(scratch_.root() + "/outside.job", "x");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.RemoveTask({L"../outside.job"}));
  EXPECT_TRUE(std::filesystem::exists(scratch_.root() + "/outside.job"));
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

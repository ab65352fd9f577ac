// How the task folder lists its tasks, finds a task by name and reads it:
// the exact name first, a case-blind scan only when that fails, only
// regular files as tasks, and nothing ever reaching outside the folder.
#include "platform/taskscheduler/task_folder_lookup-posix.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/taskscheduler/job_file.h"
#include "platform/taskscheduler/task_folder-posix.h"
#include "platform/taskscheduler/task_scheduler.h"
#include "platform/testing/task_folder_testing.h"

namespace {

using Names = std::vector<std::wstring>;

class TaskFolderLookupTest : public testing::Test {
 protected:
  TaskFolderLookupTest() { scratch_.Create(); }

  // `relative` is taken from the scratch root, so tests can put files
  // beside the task folder as well as in it.
  void Write(const std::string& relative, const std::string& content) const {
    TestTaskFolder::Write(scratch_.root() + "/" + relative, content);
  }
  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(scratch_.root() + "/" + relative);
  }
  std::string Read(const std::wstring& file_name) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(S_OK, folder_.ReadTask(file_name, &bytes));
    return std::string(bytes.begin(), bytes.end());
  }
  std::string FilePath(const std::string& name) const { return scratch_.path() + "/" + name; }
  // Whether the name is free, by NewWorkItem's rule.
  bool IsFree(const std::wstring& file_name) {
    FolderScan scan;
    return folder_.FindTakenName(file_name, &scan) == S_FALSE;
  }
  // The on-disk name FindTask gives for `name`.
  std::wstring Found(const std::wstring& name) {
    std::wstring found;
    EXPECT_EQ(S_OK, folder_.FindTask(name, &found)) << name;
    return found;
  }

  // The tests that go through the scheduler bracket COM themselves.
  const TestTaskFolder scratch_{TestTaskFolder::Com::kLeftAlone};
  TaskFolder folder_{scratch_.path(), false};
};

TEST_F(TaskFolderLookupTest, ListsRegularJobFilesOnlySortedWithoutRegardToCase) {
  scratch_.Create();
  for (const char* name :
       {"b.job", "A.JOB", "c.Job", "notes.txt", "d.job.tmp", ".jobwarden-0011.tmp", "job"})
    TestTaskFolder::Write(FilePath(name), "x");
  std::filesystem::create_directory(FilePath("dir.job"));
  std::filesystem::create_symlink(FilePath("b.job"), FilePath("link.job"));
  Names names;
  ASSERT_EQ(S_OK, folder_.ListTasks(&names));
  EXPECT_EQ((Names{L"A.JOB", L"b.job", L"c.Job"}), names);
}

// A listing prints each name on a line of its own: a name NewWorkItem
// would refuse could print a line that is no task, or drive the terminal.
TEST_F(TaskFolderLookupTest, ListsNoFileWhoseNameNoTaskCouldHave) {
  scratch_.Create();
  for (const char* name : {"zzz\nAdmin backdoor.job",
                           "csi\xc2\x9b"
                           "31m.job",
                           "osc\xc2\x9d.job", "line\xe2\x80\xa8sep.job", "tab\t.job", "CON.job",
                           ".job", "blank .job", "kept \xc3\xa9.job"})
    TestTaskFolder::Write(FilePath(name), "x");
  Names names;
  ASSERT_EQ(S_OK, folder_.ListTasks(&names));
  EXPECT_EQ((Names{L"kept \x00e9.job"}), names);
}

TEST_F(TaskFolderLookupTest, AnyEntryInAnyCaseTakesANameButOnlyRegularFilesAreTasks) {
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
TEST_F(TaskFolderLookupTest, AnEntryPlantedInAnotherCaseNeverHidesTheTask) {
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

TEST_F(TaskFolderLookupTest, RemovesRegularFilesOnly) {
  scratch_.Create();
  TestTaskFolder::Write(FilePath("a.job"), "x");
  std::filesystem::create_directory(FilePath("dir.job"));
  EXPECT_EQ(S_OK, folder_.RemoveTask({L"a.job"}));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.RemoveTask({L"a.job"}));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.RemoveTask({L"dir.job"}));
  EXPECT_EQ((std::vector<std::string>{"dir.job"}), scratch_.Files());
}

TEST_F(TaskFolderLookupTest, RemovesNothingOutsideTheFolder) {
  scratch_.Create();
  TestTaskFolder::Write(scratch_.root() + "/outside.job", "x");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.RemoveTask({L"../outside.job"}));
  EXPECT_TRUE(std::filesystem::exists(scratch_.root() + "/outside.job"));
}

TEST_F(TaskFolderLookupTest, EachNameInAnotherCaseFindsItsOwnFile) {
  // Possible on a case-sensitive folder (copied in, or two racing creates);
  // each listed name must still lead to its own task.
  Write("tasks/Backup.job", "upper");
  Write("tasks/backup.job", "lower");
  std::vector<std::wstring> listed;
  ASSERT_EQ(S_OK, folder_.ListTasks(&listed));
  for (const std::wstring& name : listed) {
    EXPECT_EQ(name, Found(name));
  }
  EXPECT_EQ("upper", Read(L"Backup.job"));
  EXPECT_EQ("lower", Read(L"backup.job"));
}

TEST_F(TaskFolderLookupTest, ANameInNoStoredCaseFindsTheLeastMatchEachTime) {
  Write("tasks/backup.job", "lower");
  Write("tasks/BACKUP.job", "upper");
  EXPECT_EQ(L"BACKUP.job", Found(L"Backup.JOB"));
}

TEST_F(TaskFolderLookupTest, NamesBeyondAsciiMatchInAnyCaseOnEitherSide) {
  locale_t probe = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (probe == static_cast<locale_t>(0))
    GTEST_SKIP() << "no C.UTF-8 locale on this host";
  freelocale(probe);
  Write("tasks/\xc3\xa9t\xc3\xa9.job", "summer");  // "été.job"
  Write("tasks/Sync.job", "sync");
  EXPECT_EQ(L"\x00e9t\x00e9.job", Found(L"\x00c9T\x00c9.JOB"));
  // LATIN SMALL LETTER LONG S folds to "S": a name typed with it is taken
  // by the ASCII name already stored.
  EXPECT_EQ(L"Sync.job", Found(L"\x017Fync.job"));
  // A byte beyond ASCII after a matching start.
  Write("tasks/Caf\xc3\xa9.job", "cafe");
  EXPECT_EQ(L"Caf\x00e9.job", Found(L"CAF\x00c9.JOB"));
  std::wstring found;
  EXPECT_EQ(S_FALSE, folder_.FindTask(L"\x00e9t\x00e9s.job", &found));
}

TEST_F(TaskFolderLookupTest, NamesThatOnlyBeginOrEndAlikeDoNotMatch) {
  Write("tasks/Backup.jo", "shorter");
  Write("tasks/Backup.job.old", "longer");
  Write("tasks/Backup\xc3\xa9.job", "longer beyond ASCII");
  Write("tasks/xBackup.job", "other start");
  std::wstring found;
  EXPECT_EQ(S_FALSE, folder_.FindTask(L"BACKUP.JOB", &found));
}

TEST_F(TaskFolderLookupTest, BytesThatAreNoUtf8MatchAsTheyAreListed) {
  Write("tasks/Bad\xff.job", "raw");
  std::vector<std::wstring> listed;
  ASSERT_EQ(S_OK, folder_.ListTasks(&listed));
  ASSERT_EQ(1u, listed.size());
  std::wstring upper = listed[0];
  upper[0] = L'b';
  upper[1] = L'A';
  EXPECT_EQ(listed[0], Found(upper));
}

TEST_F(TaskFolderLookupTest, AnExactNameThatIsNoFileYieldsToAFileInAnotherCase) {
  std::filesystem::create_directory(scratch_.path() + "/nightly.job");
  Write("tasks/Nightly.job", "task");
  EXPECT_EQ(L"Nightly.job", Found(L"nightly.job"));
}

TEST_F(TaskFolderLookupTest, NamesWithPathsFindNothingOutsideTheFolder) {
  Write("outside.job", "not a task");
  std::filesystem::create_directory(scratch_.path() + "/sub");
  Write("tasks/sub/inner.job", "not a task either");
  std::wstring found;
  for (const wchar_t* name :
       {L"../outside.job", L"sub/inner.job", L"./sub/inner.job", L"/dev/null"}) {
    EXPECT_EQ(S_FALSE, folder_.FindTask(name, &found)) << name;
    FolderScan scan;
    EXPECT_EQ(S_FALSE, folder_.FindTakenName(name, &scan)) << name;
  }
}

TEST_F(TaskFolderLookupTest, DeletingAPathNameLeavesTheFileOutsideAlone) {
  Write("victim.job", "keep me");
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  ITaskScheduler* scheduler = nullptr;
  ASSERT_EQ(S_OK, CreateSchedulerObject(IID_ITaskScheduler, reinterpret_cast<void**>(&scheduler)));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), scheduler->Delete(L"../victim"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), scheduler->Delete(L"../victim.job"));
  scheduler->Release();
  CoUninitialize();
  EXPECT_TRUE(Exists("victim.job"));
}

TEST_F(TaskFolderLookupTest, ActivatingAPathNameReadsNothingOutsideTheFolder) {
  std::vector<uint8_t> job = SerializeJobFile(JobFile{});
  Write("victim.job", std::string(job.begin(), job.end()));
  std::vector<uint8_t> bytes;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), folder_.ReadTask(L"../victim.job", &bytes));
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  ITaskScheduler* scheduler = nullptr;
  ASSERT_EQ(S_OK, CreateSchedulerObject(IID_ITaskScheduler, reinterpret_cast<void**>(&scheduler)));
  for (const wchar_t* name : {L"../victim", L"../victim.job"}) {
    ITask* task = nullptr;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
              scheduler->Activate(name, IID_ITask, reinterpret_cast<IUnknown**>(&task)))
        << name;
    EXPECT_EQ(nullptr, task);
  }
  scheduler->Release();
  CoUninitialize();
}

TEST_F(TaskFolderLookupTest, ReadsFilesUpToTheLimitWhateverTheirSize) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{194}, size_t{4097}, kMaxTaskFileSize}) {
    std::string content(size, 'x');
    if (size > 0)
      content.back() = 'y';  // the last byte too, not only the length
    Write("tasks/sized.job", content);
    EXPECT_EQ(content, Read(L"sized.job")) << size;
  }
}

TEST_F(TaskFolderLookupTest, RefusesAFileOneBytePastTheLimit) {
  Write("tasks/huge.job", std::string(kMaxTaskFileSize + 1, 'x'));
  std::vector<uint8_t> bytes{1, 2, 3};
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), folder_.ReadTask(L"huge.job", &bytes));
  EXPECT_TRUE(bytes.empty());
}

}  // namespace

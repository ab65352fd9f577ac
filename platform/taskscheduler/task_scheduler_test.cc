#include "task_scheduler.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hresults.h"
#include "job_file.h"
#include "task_folder_testing.h"
#include "trigger_testing.h"

namespace {

using namespace test_triggers;

using Names = std::vector<std::wstring>;
using Files = std::vector<std::string>;

HRESULT NewTask(ITaskScheduler* scheduler, const wchar_t* name, ITask** task) {
  *task = nullptr;
  return scheduler->NewWorkItem(name, CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(task));
}

HRESULT Activate(ITaskScheduler* scheduler, const wchar_t* name, ITask** task) {
  *task = nullptr;
  return scheduler->Activate(name, IID_ITask, reinterpret_cast<IUnknown**>(task));
}

HRESULT Save(ITask* task) {
  IPersistFile* file = nullptr;
  HRESULT result = task->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (FAILED(result))
    return result;
  result = file->Save(nullptr, TRUE);
  file->Release();
  return result;
}

// Creates and stores a bare task, as Jobwarden's first save does.
HRESULT Store(ITaskScheduler* scheduler, const wchar_t* name) {
  ITask* task = nullptr;
  HRESULT result = NewTask(scheduler, name, &task);
  if (FAILED(result))
    return result;
  result = Save(task);
  task->Release();
  return result;
}

JobFile ReadJob(const std::string& path) {
  std::string bytes = TestTaskFolder::Read(path);
  JobFile job;
  EXPECT_TRUE(ParseJobFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &job))
      << path;
  return job;
}

// Every name the enumerator hands out, `batch` at a time, freeing as it goes.
Names EnumerateAll(ITaskScheduler* scheduler, ULONG batch) {
  Names names;
  IEnumWorkItems* items = nullptr;
  EXPECT_EQ(S_OK, scheduler->Enum(&items));
  if (!items)
    return names;
  for (;;) {
    LPWSTR* fetched_names = nullptr;
    ULONG fetched = 0;
    HRESULT result = items->Next(batch, &fetched_names, &fetched);
    EXPECT_EQ(fetched == batch ? S_OK : S_FALSE, result);
    if (fetched == 0) {
      EXPECT_EQ(nullptr, fetched_names);
      break;
    }
    for (ULONG i = 0; i < fetched; ++i) {
      names.push_back(fetched_names[i]);
      CoTaskMemFree(fetched_names[i]);
    }
    CoTaskMemFree(fetched_names);
  }
  items->Release();
  return names;
}

class TaskSchedulerTest : public SchedulerFixture {
 protected:
  std::string FilePath(const std::string& name) const { return folder_.path() + "/" + name; }
};

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

TEST_F(TaskSchedulerTest, SavedTaskComesBackWithEveryField) {
  ITask* task = nullptr;
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"Report \x00fc", &task));
  ASSERT_EQ(S_OK, Save(task));
  WORD index = 99;
  ITaskTrigger* trigger = nullptr;
  ASSERT_EQ(S_OK, task->CreateTrigger(&index, &trigger));
  EXPECT_EQ(0, index);
  TASK_TRIGGER weekly = TestTrigger(TASK_TIME_TRIGGER_WEEKLY);
  ASSERT_EQ(S_OK, trigger->SetTrigger(&weekly));
  trigger->Release();
  ASSERT_EQ(S_OK, task->CreateTrigger(&index, &trigger));
  EXPECT_EQ(1, index);
  trigger->Release();
  ASSERT_EQ(S_OK, task->SetAccountInformation(L"alice", L"pw-never-stored"));
  ASSERT_EQ(S_OK, task->SetApplicationName(L"/usr/bin/backup"));
  ASSERT_EQ(S_OK, task->SetParameters(L"--all \"x y\""));
  ASSERT_EQ(S_OK, Save(task));
  task->Release();

  const std::string path = FilePath("Report \xc3\xbc.job");
  JobFile job = ReadJob(path);
  EXPECT_EQ(L"/usr/bin/backup", job.application_name);
  EXPECT_EQ(L"--all \"x y\"", job.parameters);
  EXPECT_EQ(L"alice", job.account_name);
  ASSERT_EQ(2u, job.triggers.size());
  EXPECT_EQ(0, std::memcmp(&weekly, &job.triggers[0], sizeof weekly));
  EXPECT_NE(std::vector<BYTE>(16, 0), std::vector<BYTE>(job.job_uuid, job.job_uuid + 16));
  std::string bytes = TestTaskFolder::Read(path);
  EXPECT_EQ(std::string::npos, bytes.find("pw-never-stored"));
  EXPECT_EQ(std::string::npos, bytes.find(std::string("p\0w\0-\0n\0e\0v\0e\0r", 16)));

  ASSERT_EQ(S_OK, Activate(scheduler_, L"REPORT \x00dc", &task));
  ASSERT_EQ(S_OK, task->GetTrigger(0, &trigger));
  TASK_TRIGGER stored = {};
  ASSERT_EQ(S_OK, trigger->GetTrigger(&stored));
  EXPECT_EQ(0, std::memcmp(&weekly, &stored, sizeof weekly));
  trigger->Release();
  EXPECT_EQ(SCHED_E_TRIGGER_NOT_FOUND, task->GetTrigger(2, &trigger));
  // A stored task is saved in place, under the case it was stored with.
  ASSERT_EQ(S_OK, task->SetAccountInformation(L"", nullptr));
  ASSERT_EQ(S_OK, Save(task));
  task->Release();
  EXPECT_EQ((Files{"Report \xc3\xbc.job"}), folder_.Files());
  EXPECT_EQ(L"", ReadJob(path).account_name);
  EXPECT_EQ(L"/usr/bin/backup", ReadJob(path).application_name);
}

TEST_F(TaskSchedulerTest, EveryTaskGetsItsOwnJobUuid) {
  ASSERT_EQ(S_OK, Store(scheduler_, L"a"));
  ASSERT_EQ(S_OK, Store(scheduler_, L"b"));
  JobFile a = ReadJob(FilePath("a.job"));
  JobFile b = ReadJob(FilePath("b.job"));
  EXPECT_NE(0, std::memcmp(a.job_uuid, b.job_uuid, sizeof a.job_uuid));
}

TEST_F(TaskSchedulerTest, EnumeratesNoOneAndManyTasksInNameOrder) {
  EXPECT_EQ(Names{}, EnumerateAll(scheduler_, 1));
  folder_.Create();
  EXPECT_EQ(Names{}, EnumerateAll(scheduler_, 1));
  ASSERT_EQ(S_OK, Store(scheduler_, L"Backup"));
  EXPECT_EQ(Names{L"Backup.job"}, EnumerateAll(scheduler_, 1));
  for (const wchar_t* name : {L"delta", L"Alpha", L"charlie", L"Echo"})
    ASSERT_EQ(S_OK, Store(scheduler_, name));
  TestTaskFolder::Write(FilePath("readme.txt"), "not a task");
  Names all{L"Alpha.job", L"Backup.job", L"charlie.job", L"delta.job", L"Echo.job"};
  EXPECT_EQ(all, EnumerateAll(scheduler_, 1));
  EXPECT_EQ(all, EnumerateAll(scheduler_, 3));  // 3 with S_OK, then 2 with S_FALSE
  EXPECT_EQ(all, EnumerateAll(scheduler_, 10));
  for (const std::wstring& name : all) {
    ITask* task = nullptr;
    EXPECT_EQ(S_OK, Activate(scheduler_, name.c_str(), &task)) << name;
    if (task)
      task->Release();
  }
}

TEST_F(TaskSchedulerTest, NextRefusesArgumentsItCannotAnswer) {
  ASSERT_EQ(S_OK, Store(scheduler_, L"a"));
  IEnumWorkItems* items = nullptr;
  ASSERT_EQ(S_OK, scheduler_->Enum(&items));
  LPWSTR* names = nullptr;
  ULONG fetched = 7;
  EXPECT_EQ(E_INVALIDARG, items->Next(2, &names, nullptr));
  EXPECT_EQ(E_INVALIDARG, items->Next(0, &names, &fetched));
  EXPECT_EQ(E_INVALIDARG, items->Next(1, nullptr, &fetched));
  EXPECT_EQ(S_OK, items->Next(1, &names, nullptr));  // the count may be left out for one
  CoTaskMemFree(names[0]);
  CoTaskMemFree(names);
  items->Release();
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
pid_t StartCreator(const wchar_t* name, const int start_pipe[2]) {
  pid_t child = fork();
  if (child != 0)
    return child;
  close(start_pipe[1]);  // else the pipe never reaches end-of-file
  char go;
  if (read(start_pipe[0], &go, 1) < 0)
    _exit(3);
  CoInitialize(nullptr);
  ITaskScheduler* scheduler = NewScheduler();
  ITask* task = nullptr;
  HRESULT result = scheduler ? NewTask(scheduler, name, &task) : E_FAIL;
  if (SUCCEEDED(result)) {
    task->SetParameters(L"child");
    result = Save(task);
    task->Release();
  }
  _exit(result == S_OK ? 0 : result == HRESULT_FROM_WIN32(ERROR_FILE_EXISTS) ? 1 : 2);
}

TEST_F(TaskSchedulerTest, TwoProcessesCreatingOneNameExactlyOneWins) {
  folder_.Create();
  for (int round = 0; round < 20; ++round) {
    // The same name, and the name in two cases: one task either way.
    std::wstring name = L"race" + std::to_wstring(round);
    std::wstring other = name;
    if (round % 2 == 1)
      other[0] = L'R';
    int start[2];
    ASSERT_EQ(0, pipe(start));
    pid_t first = StartCreator(name.c_str(), start);
    pid_t second = StartCreator(other.c_str(), start);
    close(start[0]);
    close(start[1]);  // both children read end-of-file and start together
    int statuses[2] = {};
    ASSERT_EQ(first, waitpid(first, &statuses[0], 0));
    ASSERT_EQ(second, waitpid(second, &statuses[1], 0));
    ASSERT_TRUE(WIFEXITED(statuses[0]) && WIFEXITED(statuses[1]));
    int codes[2] = {WEXITSTATUS(statuses[0]), WEXITSTATUS(statuses[1])};
    EXPECT_TRUE((codes[0] == 0 && codes[1] == 1) || (codes[0] == 1 && codes[1] == 0))
        << "round " << round << ": " << codes[0] << ", " << codes[1];
  }
  Files files = folder_.Files();
  ASSERT_EQ(20u, files.size());  // one file per name, no temporary file left
  for (const std::string& file : files)
    EXPECT_EQ(L"child", ReadJob(FilePath(file)).parameters);
}

// A delete between a creator's two saves wins: the creator's second save
// fails and does not store the task again.
TEST_F(TaskSchedulerTest, ATaskDeletedBetweenItsSavesStaysDeleted) {
  ITask* task = nullptr;
  ASSERT_EQ(S_OK, NewTask(scheduler_, L"Backup", &task));
  ASSERT_EQ(S_OK, Save(task));
  ITaskScheduler* other = NewScheduler();
  ASSERT_NE(nullptr, other);
  EXPECT_EQ(S_OK, other->Delete(L"backup"));
  ASSERT_EQ(S_OK, task->SetParameters(L"--all"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Save(task));
  EXPECT_EQ(Files{}, folder_.Files());

  // Nor does it replace a task stored under the name since.
  ASSERT_EQ(S_OK, Store(other, L"BACKUP"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Save(task));
  task->Release();
  other->Release();
  EXPECT_EQ(Files{"BACKUP.job"}, folder_.Files());
  EXPECT_EQ(L"", ReadJob(FilePath("BACKUP.job")).parameters);
}

// A task opened by Activate replaces the file it was read from, and only
// that one.
TEST_F(TaskSchedulerTest, AnActivatedTaskSavesOverTheFileItWasReadFrom) {
  ASSERT_EQ(S_OK, Store(scheduler_, L"Report"));
  ITask* task = nullptr;
  ASSERT_EQ(S_OK, Activate(scheduler_, L"report", &task));
  ASSERT_EQ(S_OK, task->SetParameters(L"first"));
  ASSERT_EQ(S_OK, Save(task));
  ASSERT_EQ(S_OK, task->SetParameters(L"second"));
  ASSERT_EQ(S_OK, Save(task));
  EXPECT_EQ(L"second", ReadJob(FilePath("Report.job")).parameters);
  std::filesystem::remove(FilePath("Report.job"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Save(task));
  task->Release();
  EXPECT_EQ(Files{}, folder_.Files());
}

}  // namespace

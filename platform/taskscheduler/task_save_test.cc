// Saving a task through its IPersistFile: what is stored, and what happens
// when another process creates or deletes the same task meanwhile.
#include "platform/taskscheduler/task.h"

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

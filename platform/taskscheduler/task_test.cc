#include "platform/taskscheduler/task.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/job_file.h"
#include "platform/taskscheduler/task_scheduler_testing.h"
#include "platform/taskscheduler/trigger_range.h"
#include "platform/taskscheduler/trigger_text.h"
#include "platform/testing/com_recording_testing.h"
#include "platform/testing/local_time_testing.h"
#include "platform/testing/task_folder_testing.h"
#include "platform/testing/trigger_testing.h"

namespace {

using test_hooks::Operation;
using Log = std::vector<std::string>;

class TaskTest : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    if (HasFatalFailure())
      return;
    ASSERT_EQ(S_OK, scheduler_->NewWorkItem(L"Backup", CLSID_CTask, IID_ITask,
                                            reinterpret_cast<IUnknown**>(&task_)));
    test_hooks::Reset();
  }
  void TearDown() override {
    if (task_)
      task_->Release();
    SchedulerFixture::TearDown();
  }
  IPersistFile* PersistFile() {
    IPersistFile* file = nullptr;
    EXPECT_EQ(S_OK, task_->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    return file;
  }

  ITask* task_ = nullptr;
};

TEST_F(TaskTest, InterfacesShareOneIdentityAndOneCount) {
  IPersistFile* file = PersistFile();
  IUnknown* from_task = nullptr;
  IUnknown* from_file = nullptr;
  ASSERT_EQ(S_OK, task_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&from_task)));
  ASSERT_EQ(S_OK, file->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&from_file)));
  EXPECT_EQ(from_task, from_file);
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, task_->QueryInterface(IID_ITaskScheduler, &none));
  EXPECT_EQ(nullptr, none);
  from_task->Release();
  from_file->Release();
  // The task stays alive while its persist file is held.
  task_->Release();
  task_ = nullptr;
  EXPECT_EQ(S_OK, file->Save(nullptr, TRUE));
  file->Release();
  EXPECT_EQ((Log{"ITask::QueryInterface", "ITask::QueryInterface", "IPersistFile::QueryInterface",
                 "ITask::QueryInterface", "ITask::Release", "ITask::Release", "ITask::Release",
                 "IPersistFile::Save", "IPersistFile::Release"}),
            test_hooks::CallLog());
}

TEST_F(TaskTest, ReleasesAreLoggedUnderTheInterfaceUsed) {
  IPersistFile* file = PersistFile();
  WORD index = 0;
  ITaskTrigger* trigger = nullptr;
  ASSERT_EQ(S_OK, task_->CreateTrigger(&index, &trigger));
  file->Release();
  task_->Release();
  task_ = nullptr;
  // The trigger outlives the task it belongs to.
  LPWSTR text = nullptr;
  ASSERT_EQ(S_OK, trigger->GetTriggerString(&text));
  CoTaskMemFree(text);
  trigger->Release();
  EXPECT_EQ((Log{"ITask::QueryInterface", "ITask::CreateTrigger", "IPersistFile::Release",
                 "ITask::Release", "ITaskTrigger::GetTriggerString", "CoTaskMemFree",
                 "ITaskTrigger::Release"}),
            test_hooks::CallLog());
}

TEST_F(TaskTest, NewTriggerIsDailyFromToday) {
  test_hooks::SetFixedLocalTime({2026, 12, 1, 7, 10, 20, 0, 0});
  WORD index = 9;
  ITaskTrigger* trigger = nullptr;
  ASSERT_EQ(S_OK, task_->CreateTrigger(&index, &trigger));
  EXPECT_EQ(0, index);
  TASK_TRIGGER fresh = {};
  ASSERT_EQ(S_OK, trigger->GetTrigger(&fresh));
  EXPECT_EQ(sizeof(TASK_TRIGGER), fresh.cbTriggerSize);
  EXPECT_EQ(2026, fresh.wBeginYear);
  EXPECT_EQ(12, fresh.wBeginMonth);
  EXPECT_EQ(7, fresh.wBeginDay);
  EXPECT_EQ(TASK_TIME_TRIGGER_DAILY, fresh.TriggerType);
  EXPECT_EQ(1, fresh.Type.Daily.DaysInterval);
  EXPECT_EQ(S_OK, ValidateTrigger(fresh));
  trigger->Release();
  ITaskTrigger* missing = reinterpret_cast<ITaskTrigger*>(1);
  EXPECT_EQ(SCHED_E_TRIGGER_NOT_FOUND, task_->GetTrigger(1, &missing));
  EXPECT_EQ(nullptr, missing);
  EXPECT_EQ(E_INVALIDARG, task_->CreateTrigger(&index, nullptr));
}

TEST_F(TaskTest, SetTriggerKeepsOnlyValidTriggers) {
  WORD index = 0;
  ITaskTrigger* trigger = nullptr;
  ASSERT_EQ(S_OK, task_->CreateTrigger(&index, &trigger));
  TASK_TRIGGER before = {};
  trigger->GetTrigger(&before);
  TASK_TRIGGER bad = before;
  bad.wBeginMonth = 13;
  EXPECT_EQ(E_INVALIDARG, trigger->SetTrigger(&bad));
  EXPECT_EQ(E_INVALIDARG, trigger->SetTrigger(nullptr));
  TASK_TRIGGER after = {};
  trigger->GetTrigger(&after);
  EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before));

  TASK_TRIGGER hourly = before;
  hourly.wStartHour = 10;
  hourly.wStartMinute = 21;
  hourly.MinutesDuration = 1440;
  hourly.MinutesInterval = 60;
  ASSERT_EQ(S_OK, trigger->SetTrigger(&hourly));
  LPWSTR text = nullptr;
  ASSERT_EQ(S_OK, trigger->GetTriggerString(&text));
  EXPECT_EQ(DescribeTrigger(hourly), std::wstring(text));
  CoTaskMemFree(text);
  trigger->Release();
}

TEST_F(TaskTest, AccountRules) {
  EXPECT_EQ(E_INVALIDARG, task_->SetAccountInformation(nullptr, L"pw"));
  EXPECT_EQ(SCHED_E_UNSUPPORTED_ACCOUNT_OPTION, task_->SetAccountInformation(L"alice", nullptr));
  EXPECT_EQ(S_OK, task_->SetAccountInformation(L"alice", L""));
  EXPECT_EQ(S_OK, task_->SetAccountInformation(L"", nullptr));
  EXPECT_EQ(E_INVALIDARG, task_->SetApplicationName(nullptr));
  EXPECT_EQ(E_INVALIDARG, task_->SetParameters(nullptr));
  EXPECT_EQ(S_OK, task_->SetParameters(L""));
}

// The local system account (the empty name) takes no password, not even an
// empty one; a refused call leaves the account that was set before.
TEST_F(TaskTest, SystemAccountTakesNoPassword) {
  ASSERT_EQ(S_OK, task_->SetAccountInformation(L"alice", L"pw"));
  EXPECT_EQ(E_INVALIDARG, task_->SetAccountInformation(L"", L"pw"));
  EXPECT_EQ(E_INVALIDARG, task_->SetAccountInformation(L"", L""));
  IPersistFile* file = PersistFile();
  ASSERT_EQ(S_OK, file->Save(nullptr, TRUE));
  file->Release();
  EXPECT_EQ(L"alice", folder_.StoredJob("Backup.job").account_name);
}

TEST_F(TaskTest, PersistFileTracksChangesAndNamesItsFile) {
  IPersistFile* file = PersistFile();
  EXPECT_EQ(S_OK, file->IsDirty());  // never stored
  EXPECT_EQ(E_NOTIMPL, file->Save(L"/tmp/elsewhere.job", TRUE));
  EXPECT_EQ(E_NOTIMPL, file->Load(L"/tmp/elsewhere.job", 0));
  ASSERT_EQ(S_OK, file->Save(nullptr, TRUE));
  EXPECT_EQ(S_FALSE, file->IsDirty());
  ASSERT_EQ(S_OK, task_->SetApplicationName(L"/bin/true"));
  EXPECT_EQ(S_OK, file->IsDirty());
  LPOLESTR name = nullptr;
  ASSERT_EQ(S_OK, file->GetCurFile(&name));
  EXPECT_EQ(WideFromUtf8(folder_.path()) + L"/Backup.job", std::wstring(name));
  CoTaskMemFree(name);
  file->Release();
}

TEST_F(TaskTest, TextTooLongForTheFileIsRefusedAndTheStoredTaskKept) {
  IPersistFile* file = PersistFile();
  ASSERT_EQ(S_OK, file->Save(nullptr, TRUE));
  const std::vector<std::string> stored = folder_.Files();
  ASSERT_EQ(S_OK, task_->SetParameters(std::wstring(70000, L'x').c_str()));
  EXPECT_TRUE(FAILED(file->Save(nullptr, FALSE)));
  EXPECT_EQ(stored, folder_.Files());
  JobFile job;
  const std::string bytes = TestTaskFolder::Read(folder_.path() + "/Backup.job");
  EXPECT_TRUE(ParseJobFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &job));
  file->Release();
}

// Each operation a test can make fail answers the planned result and
// changes nothing.
TEST_F(TaskTest, PlannedFailuresChangeNothing) {
  const HRESULT kPlanned = static_cast<HRESULT>(0x8007ABCDu);
  WORD index = 0;
  ITaskTrigger* trigger = nullptr;
  ASSERT_EQ(S_OK, task_->CreateTrigger(&index, &trigger));
  test_hooks::FailCall(Operation::CreateTrigger, 2, kPlanned);  // the first one ran above
  for (Operation operation :
       {Operation::TaskQueryInterface, Operation::GetTrigger, Operation::SetAccountInformation,
        Operation::SetApplicationName, Operation::SetParameters, Operation::SetTrigger,
        Operation::GetTriggerString, Operation::PersistSave})
    test_hooks::FailCall(operation, 1, kPlanned);
  void* object = nullptr;
  EXPECT_EQ(kPlanned, task_->QueryInterface(IID_IPersistFile, &object));
  ITaskTrigger* other = nullptr;
  EXPECT_EQ(kPlanned, task_->CreateTrigger(&index, &other));
  EXPECT_EQ(kPlanned, task_->GetTrigger(0, &other));
  EXPECT_EQ(kPlanned, task_->SetAccountInformation(L"bob", L"pw"));
  EXPECT_EQ(kPlanned, task_->SetApplicationName(L"/bin/false"));
  EXPECT_EQ(kPlanned, task_->SetParameters(L"-x"));
  TASK_TRIGGER changed = {};
  trigger->GetTrigger(&changed);
  changed.wStartHour = 5;
  EXPECT_EQ(kPlanned, trigger->SetTrigger(&changed));
  LPWSTR text = nullptr;
  EXPECT_EQ(kPlanned, trigger->GetTriggerString(&text));
  EXPECT_EQ(nullptr, text);
  IPersistFile* file = PersistFile();  // the second QueryInterface succeeds
  EXPECT_EQ(kPlanned, file->Save(nullptr, TRUE));
  EXPECT_FALSE(std::filesystem::exists(folder_.path()));
  ASSERT_EQ(S_OK, file->Save(nullptr, TRUE));
  file->Release();
  trigger->Release();

  std::string bytes = TestTaskFolder::Read(folder_.path() + "/Backup.job");
  JobFile job;
  ASSERT_TRUE(ParseJobFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &job));
  EXPECT_EQ(1u, job.triggers.size());
  EXPECT_EQ(0, job.triggers[0].wStartHour);
  EXPECT_EQ(L"", job.account_name);
  EXPECT_EQ(L"", job.application_name);
  EXPECT_EQ(L"", job.parameters);
}

TEST_F(TaskTest, SchedulerOperationsCanBeMadeToFail) {
  const HRESULT kPlanned = E_OUTOFMEMORY;
  for (Operation operation : {Operation::NewWorkItem, Operation::Delete, Operation::Enum,
                              Operation::Activate, Operation::EnumNext})
    test_hooks::FailCall(operation, 1, kPlanned);
  IUnknown* unknown = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(kPlanned, scheduler_->NewWorkItem(L"Other", CLSID_CTask, IID_ITask, &unknown));
  EXPECT_EQ(nullptr, unknown);
  IPersistFile* file = PersistFile();
  ASSERT_EQ(S_OK, file->Save(nullptr, TRUE));
  file->Release();
  EXPECT_EQ(kPlanned, scheduler_->Delete(L"Backup"));
  EXPECT_EQ(kPlanned, scheduler_->Activate(L"Backup", IID_ITask, &unknown));
  IEnumWorkItems* items = nullptr;
  EXPECT_EQ(kPlanned, scheduler_->Enum(&items));
  ASSERT_EQ(S_OK, scheduler_->Enum(&items));
  LPWSTR* names = nullptr;
  ULONG fetched = 5;
  EXPECT_EQ(kPlanned, items->Next(1, &names, &fetched));
  EXPECT_EQ(0u, fetched);
  EXPECT_EQ(nullptr, names);
  items->Release();
  EXPECT_EQ((std::vector<std::string>{"Backup.job"}), folder_.Files());
}

}  // namespace

// Saving a task through its IPersistFile: what is stored, and what happens
// when another process creates or deletes the same task meanwhile.

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

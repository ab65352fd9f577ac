#include "platform/taskscheduler/task.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/job_file.h"
#include "platform/taskscheduler/trigger_range.h"
#include "platform/taskscheduler/trigger_text.h"
#include "platform/testing/com_recording_testing.h"
#include "platform/testing/local_time_testing.h"
#include "platform/testing/task_folder_testing.h"

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

#include <string>

#include "jobwarden/scheduler/jobwarden_exception.h"
#include "jobwarden/scheduler/scheduler_client.h"
#include "jobwarden/scheduler/trigger_schedule.h"
#include "jobwarden/support/wide_string.h"

namespace {

constexpr const wchar_t* kInvalidNameMessage =
    L"Error creating job: Please specifiy a valid job name.";

const wchar_t* NewWorkItemMessage(HRESULT result) {
  if (result == HRESULT_FROM_WIN32(ERROR_FILE_EXISTS))
    return L"Error creating job: Please specifiy a unique job name.";
  if (result == E_INVALIDARG)
    return kInvalidNameMessage;
  if (result == E_OUTOFMEMORY)
    return L"Error creating job: Not enough memory.";
  return L"Error creating job.";
}

// "system" in any case, or no account name at all.
bool IsSystemAccount(const wchar_t* user) {
  return user[0] == 0 || AsciiLowered(user) == L"system";
}

// The system account is the empty account name with no password: the
// scheduler refuses that name with any password, even an empty one.
HRESULT SetAccount(ITask* task, const wchar_t* user, const wchar_t* password) {
  if (IsSystemAccount(user))
    return task->SetAccountInformation(L"", nullptr);
  return task->SetAccountInformation(user, password);
}

// Stores the task as it stands; the first save registers the name at once,
// before the task has a trigger, an account or a program. A name too long
// for the task folder gets the answer the component gives an invalid name,
// without reaching the component.
ITask* NewStoredTask(ITaskScheduler* scheduler, const wchar_t* task_name) {
  if (!FitsTaskFolder(task_name))
    ReleaseAndThrow({scheduler}, kInvalidNameMessage);
  ITask* task = nullptr;
  const HRESULT result = scheduler->NewWorkItem(task_name, CLSID_CTask, IID_ITask,
                                                reinterpret_cast<IUnknown**>(&task));
  if (FAILED(result))
    ReleaseAndThrow({scheduler}, NewWorkItemMessage(result));

  IPersistFile* persist_file = nullptr;
  if (FAILED(task->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist_file)))) {
    ReleaseAndThrow({task, scheduler}, L"Error creating job: please specifiy a unique job name.");
  }
  if (FAILED(persist_file->Save(nullptr, TRUE)))
    ReleaseAndThrow({task, persist_file, scheduler}, L"Error creating job.");
  persist_file->Release();
  return task;
}

ITaskTrigger* AddTrigger(ITaskScheduler* scheduler, ITask* task, TaskFrequency frequency) {
  ITaskTrigger* trigger = nullptr;
  WORD unused_index = 0;
  if (FAILED(task->CreateTrigger(&unused_index, &trigger)))
    ReleaseAndThrow({task, scheduler}, L"Error creating task trigger.");

  SYSTEMTIME now;
  GetLocalTime(&now);
  TASK_TRIGGER schedule = BuildTrigger(now, frequency);
  if (FAILED(trigger->SetTrigger(&schedule)))
    ReleaseAndThrow({task, trigger, scheduler}, L"Error setting task trigger.");
  return trigger;
}

}  // namespace

void SchedulerClient::CreateTask(const wchar_t* task_name, const wchar_t* program,
                                 const wchar_t* parameters, const wchar_t* user, wchar_t* password,
                                 TaskFrequency frequency) {
  ITaskScheduler* scheduler = NewTaskScheduler(L"Error creaing job.");
  ITask* task = NewStoredTask(scheduler, task_name);
  ITaskTrigger* trigger = AddTrigger(scheduler, task, frequency);

  if (FAILED(SetAccount(task, user, password)))
    ReleaseAndThrow({task, trigger, scheduler}, L"Error setting account information.");
  SecureZeroWideString(password);

  if (FAILED(task->SetApplicationName(program)))
    ReleaseAndThrow({task, trigger, scheduler}, L"Error setting application.");
  if (FAILED(task->SetParameters(parameters)))
    ReleaseAndThrow({task, trigger, scheduler}, L"Error setting parameters.");

  IPersistFile* persist_file = nullptr;
  if (FAILED(task->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist_file))))
    ReleaseAndThrow({task, trigger, scheduler}, L"Error saving job file.");
  if (FAILED(persist_file->Save(nullptr, FALSE)))
    ReleaseAndThrow({persist_file, task, trigger, scheduler}, L"Error saving job file.");

  persist_file->Release();
  task->Release();
  trigger->Release();
  scheduler->Release();
}

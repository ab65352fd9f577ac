#include "jobwarden/scheduler/task_creation.h"

#include <chrono>
#include <cstring>
#include <string>

#include "jobwarden/scheduler/scheduler_client.h"
#include "jobwarden/support/wide_string.h"

namespace {

// One minute after `now`, carried into the hour, the day, the month and the
// year by the calendar, so that 23:59 on 31 December starts at 00:00 on
// 1 January and 28 February carries by the leap-year rule. Seconds are not
// used.
struct StartTime {
  std::chrono::year_month_day date;
  std::chrono::hh_mm_ss<std::chrono::minutes> time;
};

StartTime OneMinuteAfter(const SYSTEMTIME& now) {
  using namespace std::chrono;
  const sys_days today{year{now.wYear} / month{now.wMonth} / day{now.wDay}};
  const sys_time<minutes> start = today + hours{now.wHour} + minutes{now.wMinute} + minutes{1};
  const sys_days start_day = floor<days>(start);
  return {year_month_day{start_day}, hh_mm_ss<minutes>{start - start_day}};
}

void SetPattern(TaskFrequency frequency, TASK_TRIGGER* trigger) {
  switch (frequency) {
    case TaskFrequency::Hourly:
      trigger->MinutesDuration = 1440;
      trigger->MinutesInterval = 60;
      trigger->TriggerType = TASK_TIME_TRIGGER_DAILY;
      trigger->Type.Daily.DaysInterval = 1;
      break;
    case TaskFrequency::Daily:
      trigger->TriggerType = TASK_TIME_TRIGGER_DAILY;
      trigger->Type.Daily.DaysInterval = 1;
      break;
    case TaskFrequency::Weekly:
      trigger->TriggerType = TASK_TIME_TRIGGER_WEEKLY;
      trigger->Type.Weekly.WeeksInterval = 1;
      trigger->Type.Weekly.rgfDaysOfTheWeek = 0x7F;  // Sunday to Saturday
      break;
    case TaskFrequency::Monthly:
      trigger->TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
      trigger->Type.MonthlyDate.rgfDays = 0x0000FFFF;  // days 1 to 16
      trigger->Type.MonthlyDate.rgfMonths = 0x0FFF;    // all twelve months
      break;
  }
}

}  // namespace

TASK_TRIGGER BuildTrigger(const SYSTEMTIME& now, TaskFrequency frequency) {
  TASK_TRIGGER trigger;
  std::memset(&trigger, 0, sizeof(trigger));
  trigger.cbTriggerSize = sizeof(TASK_TRIGGER);

  const StartTime start = OneMinuteAfter(now);
  trigger.wBeginYear = static_cast<WORD>(static_cast<int>(start.date.year()));
  trigger.wBeginMonth = static_cast<WORD>(static_cast<unsigned>(start.date.month()));
  trigger.wBeginDay = static_cast<WORD>(static_cast<unsigned>(start.date.day()));
  trigger.wStartHour = static_cast<WORD>(start.time.hours().count());
  trigger.wStartMinute = static_cast<WORD>(start.time.minutes().count());
  SetPattern(frequency, &trigger);
  return trigger;
}

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

void RegisterTask(const wchar_t* task_name, const wchar_t* program, const wchar_t* parameters,
                  const wchar_t* user, wchar_t* password, TaskFrequency frequency) {
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

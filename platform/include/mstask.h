// Linux stand-in for the Task Scheduler 1.0 interfaces (<mstask.h>) that
// Jobwarden uses. Names, signatures, constants and the TASK_TRIGGER layout are
// the published ones, so the scheduler code compiles unchanged on every host.
#ifndef PLATFORM_INCLUDE_MSTASK_H_
#define PLATFORM_INCLUDE_MSTASK_H_

#include <objbase.h>
#include <objidl.h>

enum TASK_TRIGGER_TYPE {
  TASK_TIME_TRIGGER_ONCE = 0,
  TASK_TIME_TRIGGER_DAILY = 1,
  TASK_TIME_TRIGGER_WEEKLY = 2,
  TASK_TIME_TRIGGER_MONTHLYDATE = 3,
  TASK_TIME_TRIGGER_MONTHLYDOW = 4,
  TASK_EVENT_TRIGGER_ON_IDLE = 5,
  TASK_EVENT_TRIGGER_AT_SYSTEMSTART = 6,
  TASK_EVENT_TRIGGER_AT_LOGON = 7,
};

struct DAILY {
  WORD DaysInterval;
};

struct WEEKLY {
  WORD WeeksInterval;
  WORD rgfDaysOfTheWeek;
};

struct MONTHLYDATE {
  DWORD rgfDays;
  WORD rgfMonths;
};

struct MONTHLYDOW {
  WORD wWhichWeek;
  WORD rgfDaysOfTheWeek;
  WORD rgfMonths;
};

union TRIGGER_TYPE_UNION {
  DAILY Daily;
  WEEKLY Weekly;
  MONTHLYDATE MonthlyDate;
  MONTHLYDOW MonthlyDOW;
};

struct TASK_TRIGGER {
  WORD cbTriggerSize;
  WORD Reserved1;
  WORD wBeginYear;
  WORD wBeginMonth;
  WORD wBeginDay;
  WORD wEndYear;
  WORD wEndMonth;
  WORD wEndDay;
  WORD wStartHour;
  WORD wStartMinute;
  DWORD MinutesDuration;
  DWORD MinutesInterval;
  DWORD rgFlags;
  TASK_TRIGGER_TYPE TriggerType;
  TRIGGER_TYPE_UNION Type;
  WORD Reserved2;
  WORD wRandomMinutesInterval;
};
typedef TASK_TRIGGER* PTASK_TRIGGER;
static_assert(sizeof(TASK_TRIGGER) == 48, "TASK_TRIGGER must keep the Windows layout");

// Trigger flags (rgFlags).
constexpr DWORD TASK_TRIGGER_FLAG_HAS_END_DATE = 0x1;
constexpr DWORD TASK_TRIGGER_FLAG_KILL_AT_DURATION_END = 0x2;
constexpr DWORD TASK_TRIGGER_FLAG_DISABLED = 0x4;

// Work item flags (the .job file's task flags).
constexpr DWORD TASK_FLAG_INTERACTIVE = 0x1;
constexpr DWORD TASK_FLAG_DELETE_WHEN_DONE = 0x2;
constexpr DWORD TASK_FLAG_DISABLED = 0x4;
constexpr DWORD TASK_FLAG_START_ONLY_IF_IDLE = 0x10;
constexpr DWORD TASK_FLAG_KILL_ON_IDLE_END = 0x20;
constexpr DWORD TASK_FLAG_DONT_START_IF_ON_BATTERIES = 0x40;
constexpr DWORD TASK_FLAG_KILL_IF_GOING_ON_BATTERIES = 0x80;
constexpr DWORD TASK_FLAG_RUN_ONLY_IF_DOCKED = 0x100;
constexpr DWORD TASK_FLAG_HIDDEN = 0x200;
constexpr DWORD TASK_FLAG_RUN_IF_CONNECTED_TO_INTERNET = 0x400;
constexpr DWORD TASK_FLAG_RESTART_ON_IDLE_RESUME = 0x800;
constexpr DWORD TASK_FLAG_SYSTEM_REQUIRED = 0x1000;
constexpr DWORD TASK_FLAG_RUN_ONLY_IF_LOGGED_ON = 0x2000;

// Days of the week (rgfDaysOfTheWeek).
constexpr WORD TASK_SUNDAY = 0x1;
constexpr WORD TASK_MONDAY = 0x2;
constexpr WORD TASK_TUESDAY = 0x4;
constexpr WORD TASK_WEDNESDAY = 0x8;
constexpr WORD TASK_THURSDAY = 0x10;
constexpr WORD TASK_FRIDAY = 0x20;
constexpr WORD TASK_SATURDAY = 0x40;

extern const CLSID CLSID_CTaskScheduler;
extern const CLSID CLSID_CTask;
extern const IID IID_ITaskScheduler;
extern const IID IID_ITask;
extern const IID IID_IScheduledWorkItem;
extern const IID IID_ITaskTrigger;
extern const IID IID_IEnumWorkItems;

struct ITaskTrigger : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetTrigger(const PTASK_TRIGGER pTrigger) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTrigger(PTASK_TRIGGER pTrigger) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTriggerString(LPWSTR* ppwszTrigger) = 0;

 protected:
  ~ITaskTrigger() = default;
};

// The Windows ITask derives from IScheduledWorkItem; only the members
// Jobwarden calls are declared here.
struct IScheduledWorkItem : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateTrigger(WORD* piNewTrigger, ITaskTrigger** ppTrigger) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTrigger(WORD iTrigger, ITaskTrigger** ppTrigger) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAccountInformation(LPCWSTR pwszAccountName,
                                                          LPCWSTR pwszPassword) = 0;

 protected:
  ~IScheduledWorkItem() = default;
};

struct ITask : public IScheduledWorkItem {
  virtual HRESULT STDMETHODCALLTYPE SetApplicationName(LPCWSTR pwszApplicationName) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParameters(LPCWSTR pwszParameters) = 0;

 protected:
  ~ITask() = default;
};

struct IEnumWorkItems : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPWSTR** rgpwszNames, ULONG* pceltFetched) = 0;

 protected:
  ~IEnumWorkItems() = default;
};

struct ITaskScheduler : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Enum(IEnumWorkItems** ppEnumWorkItems) = 0;
  virtual HRESULT STDMETHODCALLTYPE Activate(LPCWSTR pwszName, REFIID riid, IUnknown** ppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE Delete(LPCWSTR pwszName) = 0;
  virtual HRESULT STDMETHODCALLTYPE NewWorkItem(LPCWSTR pwszTaskName, REFCLSID rclsid, REFIID riid,
                                                IUnknown** ppUnk) = 0;

 protected:
  ~ITaskScheduler() = default;
};

#endif  // PLATFORM_INCLUDE_MSTASK_H_

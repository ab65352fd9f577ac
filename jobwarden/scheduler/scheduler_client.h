// The Task Scheduler client. While a SchedulerClient exists, COM is
// initialised on the thread; each operation creates, and releases again,
// every COM object it needs, and reports failure as JobwardenException.
#ifndef JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_
#define JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_

#include <cstddef>
#include <initializer_list>

#include "jobwarden/scheduler/com_api.h"
#include "jobwarden/scheduler/task_frequency.h"

class SchedulerClient {
 public:
  SchedulerClient();  // throws JobwardenException when COM cannot start
  ~SchedulerClient();
  SchedulerClient(const SchedulerClient&) = delete;
  SchedulerClient& operator=(const SchedulerClient&) = delete;

  // Registers a task that runs `program` with `parameters` under `user`
  // ("system" in any case, or "", for the system account), starting one minute from
  // now. The password is overwritten with zeros once the account is set.
  void CreateTask(const wchar_t* task_name, const wchar_t* program, const wchar_t* parameters,
                  const wchar_t* user, wchar_t* password, TaskFrequency frequency);

  void DeleteTask(const wchar_t* task_name);

  // Prints every stored task with the text of its first trigger.
  void QueryTasks();
};

// The trigger a new task gets: its pattern by frequency, starting one
// minute after the given local time.
TASK_TRIGGER BuildTrigger(const SYSTEMTIME& now, TaskFrequency frequency);

// What the operations share.

// Every scheduler operation starts from its own ITaskScheduler, created
// in-process: the new instance, which the caller releases. When it cannot
// be created, the operation ends with its own message: throws
// JobwardenException with `failure_message`.
ITaskScheduler* NewTaskScheduler(const wchar_t* failure_message);

// Failure exit of a scheduler operation: releases the interfaces it holds,
// in the order given, then throws the message.
[[noreturn]] void ReleaseAndThrow(std::initializer_list<IUnknown*> release_in_order,
                                  const wchar_t* message);

// Whether a task name fits the task folder as a file name.
//
// A task is stored as the file "<name>.job" in the task folder,
// C:\WINDOWS\Tasks on a Windows installed as it comes (C:\WINNT\Tasks, two
// units shorter, on NT 4.0 and 2000), and a path in the Windows API is at
// most MAX_PATH units with its terminating NUL. A Task Scheduler component
// may build that path in a fixed buffer without checking its length (Wine's
// overruns its stack from 246 units on), so a longer name is refused before
// it is handed over.
constexpr std::size_t kMaxPathUnits = 260;          // MAX_PATH, NUL included
constexpr std::size_t kTaskFolderPrefixUnits = 17;  // "C:\WINDOWS\Tasks\"
constexpr std::size_t kMaxTaskNameUnits = kMaxPathUnits - 1 - kTaskFolderPrefixUnits - 4;  // ".job"

// The name's length in UTF-16 units, whatever the width of wchar_t: a
// character beyond the Basic Multilingual Plane counts two.
std::size_t Utf16Length(const wchar_t* name);

bool FitsTaskFolder(const wchar_t* task_name);

#endif  // JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_

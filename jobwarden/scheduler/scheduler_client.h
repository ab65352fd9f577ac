// The Task Scheduler client. While a SchedulerClient exists, COM is
// initialised on the thread; each operation creates, and releases again,
// every COM object it needs, and reports failure as JobwardenException.
#ifndef JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_
#define JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_

#include <initializer_list>

#include "jobwarden/scheduler/com_api.h"
#include "jobwarden/scheduler/task_frequency.h"

class SchedulerClient {
 public:
  SchedulerClient();  // throws JobwardenException when COM cannot start
  ~SchedulerClient();
  SchedulerClient(const SchedulerClient&) = delete;
  SchedulerClient& operator=(const SchedulerClient&) = delete;

  // RegisterTask (task_creation.h) under this client's COM.
  void CreateTask(const wchar_t* task_name, const wchar_t* program, const wchar_t* parameters,
                  const wchar_t* user, wchar_t* password, TaskFrequency frequency);

  void DeleteTask(const wchar_t* task_name);

  // Prints every stored task with the text of its first trigger.
  void QueryTasks();
};

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

// Whether a task name fits the task folder as a file name: at most 238
// UTF-16 units, a character beyond the Basic Multilingual Plane counting
// two. The operations refuse a longer name before the component sees it.
bool FitsTaskFolder(const wchar_t* task_name);

#endif  // JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_

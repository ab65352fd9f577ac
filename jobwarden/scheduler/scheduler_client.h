// The Task Scheduler client. While a SchedulerClient exists, COM is
// initialised on the thread; each operation creates, and releases again,
// every COM object it needs, and reports failure as JobwardenException.
#ifndef JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_
#define JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_

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

#endif  // JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_H_

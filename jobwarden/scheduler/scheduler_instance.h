// Every scheduler operation starts from its own ITaskScheduler, created
// in-process; when it cannot be created, the operation ends with its own
// message.
#ifndef JOBWARDEN_SCHEDULER_SCHEDULER_INSTANCE_H_
#define JOBWARDEN_SCHEDULER_SCHEDULER_INSTANCE_H_

#include "jobwarden/scheduler/com_api.h"

// The new instance, which the caller releases; throws JobwardenException
// with `failure_message` when CoCreateInstance fails.
ITaskScheduler* NewTaskScheduler(const wchar_t* failure_message);

#endif  // JOBWARDEN_SCHEDULER_SCHEDULER_INSTANCE_H_

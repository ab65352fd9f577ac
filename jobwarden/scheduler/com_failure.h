// Failure exit of a scheduler operation: releases the interfaces it holds,
// in the order given, then throws the message.
#ifndef JOBWARDEN_SCHEDULER_COM_FAILURE_H_
#define JOBWARDEN_SCHEDULER_COM_FAILURE_H_

#include <initializer_list>

#include "jobwarden/scheduler/com_api.h"

[[noreturn]] void ReleaseAndThrow(std::initializer_list<IUnknown*> release_in_order,
                                  const wchar_t* message);

#endif  // JOBWARDEN_SCHEDULER_COM_FAILURE_H_

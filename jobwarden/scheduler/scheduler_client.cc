#include "jobwarden/scheduler/scheduler_client.h"

#include "jobwarden/scheduler/com_api.h"
#include "jobwarden/scheduler/jobwarden_exception.h"

SchedulerClient::SchedulerClient() {
  // S_FALSE (COM already initialised on this thread) still needs its own
  // CoUninitialize, so only a failure counts.
  if (FAILED(CoInitialize(nullptr)))
    throw JobwardenException(L"Couldn't initialize COM\t.");
}

SchedulerClient::~SchedulerClient() { CoUninitialize(); }

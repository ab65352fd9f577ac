// The triggers that fire on an event rather than at a time: at system
// start, which system-start (or the first run-due of a boot) runs, at log
// on, which run-due runs for each new login record (logon_records.h), and
// idle, which the service does not run.
#ifndef SERVICE_EVENT_TRIGGERS_H_
#define SERVICE_EVENT_TRIGGERS_H_

#include <mstask.h>

#include <string>
#include <vector>

#include "platform/taskscheduler/job_file.h"

// Whether the task, not disabled, has an enabled trigger of `type`.
bool HasEventTrigger(const JobFile& job, TASK_TRIGGER_TYPE type);

// When the service runs the task on an event, as status says it: "at
// system start", "at log on", in that order.
std::vector<std::string> EventTriggerWords(const JobFile& job);

#endif  // SERVICE_EVENT_TRIGGERS_H_

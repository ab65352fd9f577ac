#include "service/event_triggers.h"

#include <algorithm>

bool HasEventTrigger(const JobFile& job, TASK_TRIGGER_TYPE type) {
  if (job.flags & TASK_FLAG_DISABLED)
    return false;
  return std::any_of(job.triggers.begin(), job.triggers.end(), [type](const TASK_TRIGGER& t) {
    return t.TriggerType == type && !(t.rgFlags & TASK_TRIGGER_FLAG_DISABLED);
  });
}

std::vector<std::string> EventTriggerWords(const JobFile& job) {
  std::vector<std::string> words;
  if (HasEventTrigger(job, TASK_EVENT_TRIGGER_AT_SYSTEMSTART))
    words.push_back("at system start");
  if (HasEventTrigger(job, TASK_EVENT_TRIGGER_AT_LOGON))
    words.push_back("at log on");
  return words;
}

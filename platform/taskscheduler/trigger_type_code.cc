#include "platform/taskscheduler/trigger_type_code.h"

#include <cstring>

static_assert(sizeof(TASK_TRIGGER_TYPE) == sizeof(DWORD), "the trigger type is a DWORD on disk");

DWORD TriggerTypeCode(const TASK_TRIGGER& trigger) {
  DWORD code;
  std::memcpy(&code, &trigger.TriggerType, sizeof(code));
  return code;
}

void SetTriggerTypeCode(DWORD code, TASK_TRIGGER* trigger) {
  std::memcpy(&trigger->TriggerType, &code, sizeof(code));
}

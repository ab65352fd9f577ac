// Feeds arbitrary bytes to the .job reader. Any file in the task folder can
// be planted or damaged by another process, so the reader must refuse
// garbage without reading out of bounds, and whatever it accepts must be
// something our writer can store and read back unchanged: a task that
// /query can list must survive being saved again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/taskscheduler/job_file.h"
#include "platform/taskscheduler/trigger_range.h"
#include "platform/taskscheduler/trigger_text.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JobFile job;
  if (!ParseJobFile(data, size, &job))
    return 0;
  for (const TASK_TRIGGER& trigger : job.triggers) {
    // What GetTriggerString would hand to /query for this file.
    ValidateTrigger(trigger);
    if (CanDescribeTrigger(trigger))
      DescribeTrigger(trigger, job.flags);
  }

  std::vector<uint8_t> stored = SerializeJobFile(job);
  if (stored.empty())
    return 0;  // does not fit the format; the writer says so, nothing is stored
  JobFile reread;
  Check(ParseJobFile(stored.data(), stored.size(), &reread));
  Check(SerializeJobFile(reread) == stored);
  return 0;
}

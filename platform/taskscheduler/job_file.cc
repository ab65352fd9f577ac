#include "platform/taskscheduler/job_file.h"

#include <cstddef>
#include <limits>
#include <utility>

#include "platform/taskscheduler/job_file_sections.h"

namespace {

constexpr size_t kMaxWord = std::numeric_limits<WORD>::max();

// What Windows writes as the reserved data: a TASKRESERVED1 of the start
// error of the last run and the unused task flags, both zero for a task we
// store. A file that carries reserved data of its own keeps it.
const std::vector<BYTE> kTaskReserved1(8, 0);

}  // namespace

std::vector<uint8_t> SerializeJobFile(const JobFile& job) {
  ByteWriter out;
  WriteFixedSection(job, &out);
  out.Word(job.running_instance_count);
  const size_t name_offset = out.size();
  if (!(WriteText(job.application_name, &out) && WriteText(job.parameters, &out) &&
        WriteText(job.working_directory, &out) && WriteText(job.author, &out) &&
        WriteText(job.comment, &out) &&
        WriteBlock(UserDataWithAccount(job.account_name, job.user_data), &out) &&
        WriteBlock(job.reserved_data.empty() ? kTaskReserved1 : job.reserved_data, &out)))
    return {};
  const size_t trigger_offset = out.size();
  if (trigger_offset > kMaxWord || job.triggers.size() > kMaxWord)
    return {};
  out.Word(static_cast<WORD>(job.triggers.size()));
  for (const TASK_TRIGGER& trigger : job.triggers)
    WriteTriggerRecord(trigger, &out);
  out.PatchWord(kApplicationNameOffsetAt, static_cast<WORD>(name_offset));
  out.PatchWord(kTriggerOffsetAt, static_cast<WORD>(trigger_offset));
  return out.Take();
}

bool ParseJobFile(const uint8_t* data, size_t size, JobFile* job) {
  if (data == nullptr || job == nullptr || size < kFixedSectionSize)
    return false;
  ByteReader in(data, size);
  JobFile parsed;
  WORD name_offset, trigger_offset;
  if (!ReadFixedSection(&in, &parsed, &name_offset, &trigger_offset) ||
      !in.Word(&parsed.running_instance_count) || in.position() != name_offset)
    return false;
  if (!(ReadText(&in, &parsed.application_name) && ReadText(&in, &parsed.parameters) &&
        ReadText(&in, &parsed.working_directory) && ReadText(&in, &parsed.author) &&
        ReadText(&in, &parsed.comment) && ReadBlock(&in, &parsed.user_data) &&
        ReadBlock(&in, &parsed.reserved_data)))
    return false;
  WORD trigger_count = 0;
  if (in.position() != trigger_offset || !in.Word(&trigger_count) ||
      !in.Has(size_t{trigger_count} * kTriggerRecordSize))
    return false;
  parsed.triggers.resize(trigger_count);
  for (TASK_TRIGGER& trigger : parsed.triggers) {
    if (!ReadTriggerRecord(&in, &trigger))
      return false;
  }
  SplitAccountFromUserData(&parsed.user_data, &parsed.account_name);
  *job = std::move(parsed);
  return true;
}

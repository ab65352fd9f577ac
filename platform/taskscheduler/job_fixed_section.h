// The fixed-length section of a .job file: the 68 bytes it begins with,
// from the product version to the most recent run time.
#ifndef PLATFORM_TASKSCHEDULER_JOB_FIXED_SECTION_H_
#define PLATFORM_TASKSCHEDULER_JOB_FIXED_SECTION_H_

#include <cstddef>

#include "platform/taskscheduler/byte_stream.h"
#include "platform/taskscheduler/job_file.h"

constexpr size_t kFixedSectionSize = 68;

// Where the section keeps the offsets of the application name and of the
// trigger count. They are known only once the variable-length section is
// written, so they are written as 0 and patched.
constexpr size_t kApplicationNameOffsetAt = 20;
constexpr size_t kTriggerOffsetAt = 22;

void WriteFixedSection(const JobFile& job, ByteWriter* out);

// Also returns the two offsets the section claims, for checking against
// where the fields really are.
bool ReadFixedSection(ByteReader* in, JobFile* job, WORD* name_offset, WORD* trigger_offset);

#endif  // PLATFORM_TASKSCHEDULER_JOB_FIXED_SECTION_H_

// The Task Scheduler 1.0 .job file: one file per task, a fixed-length
// section followed by a variable-length section (UTF-16LE strings, user and
// reserved data, 48-byte triggers). Reading and writing are pure functions
// over bytes so they can be tested, fuzzed and compared with the files that
// Windows and Wine write.
#ifndef PLATFORM_TASKSCHEDULER_JOB_FILE_H_
#define PLATFORM_TASKSCHEDULER_JOB_FILE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/taskscheduler/job_fields.h"

// The bytes of the .job file for `job`, or an empty vector when the job does
// not fit the format: a text longer than 65534 UTF-16 units, a user or
// reserved data block longer than 65535 bytes, more than 65535 triggers, or
// texts and data so long that the trigger count lies beyond offset 65535
// (the fixed section points at it with a 16-bit offset).
std::vector<uint8_t> SerializeJobFile(const JobFile& job);

// Parses a whole .job file. Returns false, without reading outside
// [data, data + size) and leaving *job untouched, for anything that is not a
// well-formed .job file. Bytes after the triggers (the optional job
// signature) are accepted and ignored, and so is each trigger's own size
// field (a trigger is 48 bytes whatever it says).
bool ParseJobFile(const uint8_t* data, size_t size, JobFile* job);

#endif  // PLATFORM_TASKSCHEDULER_JOB_FILE_H_

// The Task Scheduler 1.0 .job file: one file per task, a fixed-length
// section followed by a variable-length section (UTF-16LE strings, user and
// reserved data, 48-byte triggers). Reading and writing are pure functions
// over bytes so they can be tested, fuzzed and compared with the files that
// Windows and Wine write.
#ifndef PLATFORM_TASKSCHEDULER_JOB_FILE_H_
#define PLATFORM_TASKSCHEDULER_JOB_FILE_H_

#include <mstask.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct JobFile {
  // Fixed-length section. Fields we have no use for carry the documented
  // defaults for a task that has never run.
  WORD product_version = 0x0501;
  WORD file_version = 1;
  BYTE job_uuid[16] = {};
  WORD error_retry_count = 0;
  WORD error_retry_interval = 0;
  WORD idle_deadline = 60;
  WORD idle_wait = 10;
  DWORD priority = 0x20;               // NORMAL_PRIORITY_CLASS
  DWORD maximum_run_time = 259200000;  // 72 hours, in milliseconds
  DWORD exit_code = 0;
  DWORD status = 0x00041303;  // SCHED_S_TASK_HAS_NOT_RUN
  // Every bit is kept, those we do not know included; the application-name
  // bit is written as the application name says.
  DWORD flags = 0;
  SYSTEMTIME run_date = {};

  // Variable-length section.
  WORD running_instance_count = 0;
  std::wstring application_name;
  std::wstring parameters;
  std::wstring working_directory;
  std::wstring author;
  std::wstring comment;
  std::vector<BYTE> user_data;
  // Written as an all-zero TASKRESERVED1 when empty.
  std::vector<BYTE> reserved_data;
  std::vector<TASK_TRIGGER> triggers;

  // The account the task runs under: empty for the system account. The
  // format has no field for it on Windows (the service keeps credentials
  // apart); we keep the name, never a password, in a tagged block of the
  // user data so that Windows and Wine still read the file.
  std::wstring account_name;
};

// Where the fixed-length section keeps the job's UUID (after the product and
// file versions): two files under one name are told apart by it.
constexpr size_t kJobUuidOffset = 4;
constexpr size_t kJobUuidSize = 16;

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

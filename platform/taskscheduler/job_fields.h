// The fields of a Task Scheduler 1.0 task as its .job file holds them:
// what the whole-file reading and writing (job_file.h) and each section's
// (job_file_sections.h) fill in and write out.
#ifndef PLATFORM_TASKSCHEDULER_JOB_FIELDS_H_
#define PLATFORM_TASKSCHEDULER_JOB_FIELDS_H_

#include <mstask.h>
#include <windows.h>

#include <cstddef>
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

#endif  // PLATFORM_TASKSCHEDULER_JOB_FIELDS_H_

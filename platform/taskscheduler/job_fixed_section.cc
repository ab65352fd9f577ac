#include "platform/taskscheduler/job_fixed_section.h"

namespace {

// Windows 2000, XP and 2003 (product version 0x0501, which we write) set
// this task flag whenever the file holds an application name.
constexpr DWORD kHasApplicationNameFlag = 0x01000000;

void WriteSystemTime(const SYSTEMTIME& time, ByteWriter* out) {
  out->Word(time.wYear);
  out->Word(time.wMonth);
  out->Word(time.wDayOfWeek);
  out->Word(time.wDay);
  out->Word(time.wHour);
  out->Word(time.wMinute);
  out->Word(time.wSecond);
  out->Word(time.wMilliseconds);
}

bool ReadSystemTime(ByteReader* in, SYSTEMTIME* time) {
  return in->Word(&time->wYear) && in->Word(&time->wMonth) && in->Word(&time->wDayOfWeek) &&
         in->Word(&time->wDay) && in->Word(&time->wHour) && in->Word(&time->wMinute) &&
         in->Word(&time->wSecond) && in->Word(&time->wMilliseconds);
}

}  // namespace

void WriteFixedSection(const JobFile& job, ByteWriter* out) {
  out->Word(job.product_version);
  out->Word(job.file_version);
  out->Bytes(job.job_uuid, sizeof(job.job_uuid));
  out->Word(0);  // application name offset, patched once known
  out->Word(0);  // trigger offset, likewise
  out->Word(job.error_retry_count);
  out->Word(job.error_retry_interval);
  out->Word(job.idle_deadline);
  out->Word(job.idle_wait);
  out->Dword(job.priority);
  out->Dword(job.maximum_run_time);
  out->Dword(job.exit_code);
  out->Dword(job.status);
  out->Dword(job.application_name.empty() ? job.flags & ~kHasApplicationNameFlag
                                          : job.flags | kHasApplicationNameFlag);
  WriteSystemTime(job.run_date, out);
}

bool ReadFixedSection(ByteReader* in, JobFile* job, WORD* name_offset, WORD* trigger_offset) {
  return in->Word(&job->product_version) && in->Word(&job->file_version) &&
         in->Bytes(sizeof(job->job_uuid), job->job_uuid) && in->Word(name_offset) &&
         in->Word(trigger_offset) && in->Word(&job->error_retry_count) &&
         in->Word(&job->error_retry_interval) && in->Word(&job->idle_deadline) &&
         in->Word(&job->idle_wait) && in->Dword(&job->priority) &&
         in->Dword(&job->maximum_run_time) && in->Dword(&job->exit_code) &&
         in->Dword(&job->status) && in->Dword(&job->flags) && ReadSystemTime(in, &job->run_date);
}

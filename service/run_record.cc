#include "service/run_record.h"

#include <cstdio>

#include "platform/posix/system_clock-posix.h"
#include "platform/posix/wide_text.h"
#include "service/local_clock.h"

std::string TimeText(const SYSTEMTIME& time) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute);
  return text;
}

std::string HexText(DWORD value, int digits) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

SYSTEMTIME LocalSystemTime(time_t when) { return SystemTimeFromTm(LocalParts(when), 0); }

bool RanInMinuteOf(const JobFile& job, time_t minute) {
  const SYSTEMTIME now = LocalSystemTime(minute);
  const SYSTEMTIME& last = job.run_date;
  return last.wYear == now.wYear && last.wMonth == now.wMonth && last.wDay == now.wDay &&
         last.wHour == now.wHour && last.wMinute == now.wMinute;
}

void RecordStart(time_t started, JobFile* job) {
  job->run_date = LocalSystemTime(started);
  job->status = SCHED_S_TASK_RUNNING;
  if (job->running_instance_count < 0xFFFF)
    ++job->running_instance_count;
}

void RecordEnd(DWORD exit_code, JobFile* job) {
  job->exit_code = exit_code;
  if (job->running_instance_count > 0)
    --job->running_instance_count;
  job->status = job->running_instance_count > 0 ? SCHED_S_TASK_RUNNING : SCHED_S_TASK_READY;
}

void RecordUnseenEnd(JobFile* job) {
  job->exit_code = kRunEndNotSeen;
  job->running_instance_count = 0;
  job->status = SCHED_S_TASK_READY;
}

void RecordRefusal(time_t attempted, DWORD exit_code, JobFile* job) {
  job->run_date = LocalSystemTime(attempted);
  job->exit_code = exit_code;
  if (job->running_instance_count == 0)
    job->status = SCHED_S_TASK_READY;
}

Repair RepairRecord(const RunNote* note, JobFile* job) {
  const bool told = note && TellsOf(*note, *job);
  if (told && note->state == RunNote::State::kStarting) {
    PutBackRecord(*note, job);
    return Repair::kNeverStarted;
  }
  RecordUnseenEnd(job);
  if (told && note->state == RunNote::State::kEnded) {
    job->exit_code = note->exit_code;
    return Repair::kLateEnd;
  }
  return Repair::kUnseenEnd;
}

std::optional<std::chrono::milliseconds> TimeLimitOf(const JobFile& job) {
  if (job.maximum_run_time == 0 || job.maximum_run_time == 0xFFFFFFFF)
    return std::nullopt;
  return std::chrono::milliseconds(job.maximum_run_time);
}

std::string CommandText(const JobFile& job) {
  std::string text = Utf8FromWide(job.application_name);
  // Jobwarden keeps what followed a quoted program as it was typed,
  // leading blank and all.
  const std::string parameters = Utf8FromWide(job.parameters);
  const size_t first = parameters.find_first_not_of(" \t");
  if (first != std::string::npos) {
    text += ' ';
    text.append(parameters, first);
  }
  return text;
}

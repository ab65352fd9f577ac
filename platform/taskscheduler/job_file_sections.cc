#include "platform/taskscheduler/job_file_sections.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/trigger_range.h"

void ByteWriter::Bytes(const uint8_t* data, size_t size) {
  bytes_.insert(bytes_.end(), data, data + size);
}

void ByteWriter::PatchWord(size_t at, WORD value) {
  bytes_[at] = static_cast<uint8_t>(value);
  bytes_[at + 1] = static_cast<uint8_t>(value >> 8);
}

std::vector<uint8_t> ByteWriter::Take() { return std::move(bytes_); }

bool ByteReader::Bytes(size_t count, std::vector<BYTE>* out) {
  if (!Has(count))
    return false;
  out->assign(data_ + pos_, data_ + pos_ + count);
  pos_ += count;
  return true;
}

bool ByteReader::Bytes(size_t count, BYTE* out) {
  if (!Has(count))
    return false;
  for (size_t i = 0; i < count; ++i)
    out[i] = data_[pos_ + i];
  pos_ += count;
  return true;
}

namespace {

constexpr size_t kMaxWord = std::numeric_limits<WORD>::max();

}  // namespace

bool WriteText(const std::wstring& text, ByteWriter* out) {
  const std::u16string units = Utf16FromWide(text);
  if (units.empty()) {
    out->Word(0);
    return true;
  }
  if (units.size() + 1 > kMaxWord)
    return false;
  out->Word(static_cast<WORD>(units.size() + 1));
  for (char16_t unit : units)
    out->Word(static_cast<WORD>(unit));
  out->Word(0);
  return true;
}

bool ReadText(ByteReader* in, std::wstring* text) {
  WORD count = 0;
  if (!in->Word(&count) || !in->Has(size_t{count} * 2))
    return false;
  // A buffer of its own each time: a reused thread_local one is already
  // destroyed when a file is read from an exit handler.
  std::u16string units;
  units.reserve(count);
  bool ended = false;
  for (WORD i = 0; i < count; ++i) {
    WORD unit = 0;
    in->Word(&unit);
    if (unit == 0)
      ended = true;
    if (!ended)
      units.push_back(static_cast<char16_t>(unit));
  }
  *text = WideFromUtf16(units);
  return true;
}

bool WriteBlock(const std::vector<BYTE>& block, ByteWriter* out) {
  if (block.size() > kMaxWord)
    return false;
  out->Word(static_cast<WORD>(block.size()));
  out->Bytes(block.data(), block.size());
  return true;
}

bool ReadBlock(ByteReader* in, std::vector<BYTE>* block) {
  WORD size;
  return in->Word(&size) && in->Bytes(size, block);
}

namespace {

constexpr uint8_t kAccountTag[4] = {'J', 'W', 'A', 'C'};

}  // namespace

std::vector<BYTE> UserDataWithAccount(const std::wstring& account_name,
                                      const std::vector<BYTE>& user_data) {
  const std::u16string name = Utf16FromWide(account_name);
  ByteWriter data;
  data.Bytes(kAccountTag, sizeof(kAccountTag));
  data.Word(static_cast<WORD>(name.size()));
  for (char16_t unit : name)
    data.Word(static_cast<WORD>(unit));
  data.Bytes(user_data.data(), user_data.size());
  return data.Take();
}

void SplitAccountFromUserData(std::vector<BYTE>* user_data, std::wstring* account_name) {
  account_name->clear();
  ByteReader in(user_data->data(), user_data->size());
  BYTE tag[sizeof(kAccountTag)];
  WORD count = 0;
  if (!in.Bytes(sizeof(tag), tag) || std::memcmp(tag, kAccountTag, sizeof(tag)) != 0 ||
      !in.Word(&count) || !in.Has(size_t{count} * 2))
    return;
  std::u16string name;
  for (WORD i = 0; i < count; ++i) {
    WORD unit = 0;
    in.Word(&unit);
    name.push_back(static_cast<char16_t>(unit));
  }
  *account_name = WideFromUtf16(name);
  user_data->erase(user_data->begin(),
                   user_data->begin() + static_cast<std::ptrdiff_t>(in.position()));
}

// The type-specific part of a trigger is eight bytes: a DWORD and a WORD for
// monthly-date triggers, three WORDs for every other type (the daily and
// weekly fields share their places with the monthly day-of-week ones),
// followed by padding.
void WriteTriggerRecord(const TASK_TRIGGER& trigger, ByteWriter* out) {
  out->Word(kTriggerRecordSize);
  out->Word(trigger.Reserved1);
  out->Word(trigger.wBeginYear);
  out->Word(trigger.wBeginMonth);
  out->Word(trigger.wBeginDay);
  out->Word(trigger.wEndYear);
  out->Word(trigger.wEndMonth);
  out->Word(trigger.wEndDay);
  out->Word(trigger.wStartHour);
  out->Word(trigger.wStartMinute);
  out->Dword(trigger.MinutesDuration);
  out->Dword(trigger.MinutesInterval);
  out->Dword(trigger.rgFlags);
  out->Dword(TriggerTypeCode(trigger));
  if (TriggerTypeCode(trigger) == TASK_TIME_TRIGGER_MONTHLYDATE) {
    out->Dword(trigger.Type.MonthlyDate.rgfDays);
    out->Word(trigger.Type.MonthlyDate.rgfMonths);
  } else {
    out->Word(trigger.Type.MonthlyDOW.wWhichWeek);
    out->Word(trigger.Type.MonthlyDOW.rgfDaysOfTheWeek);
    out->Word(trigger.Type.MonthlyDOW.rgfMonths);
  }
  out->Word(0);
  out->Word(trigger.Reserved2);
  out->Word(trigger.wRandomMinutesInterval);
}

bool ReadTriggerRecord(ByteReader* in, TASK_TRIGGER* trigger) {
  *trigger = TASK_TRIGGER{};
  DWORD type;
  WORD padding;
  WORD recorded_size;
  if (!in->Word(&recorded_size))
    return false;
  trigger->cbTriggerSize = kTriggerRecordSize;
  if (!(in->Word(&trigger->Reserved1) && in->Word(&trigger->wBeginYear) &&
        in->Word(&trigger->wBeginMonth) && in->Word(&trigger->wBeginDay) &&
        in->Word(&trigger->wEndYear) && in->Word(&trigger->wEndMonth) &&
        in->Word(&trigger->wEndDay) && in->Word(&trigger->wStartHour) &&
        in->Word(&trigger->wStartMinute) && in->Dword(&trigger->MinutesDuration) &&
        in->Dword(&trigger->MinutesInterval) && in->Dword(&trigger->rgFlags) && in->Dword(&type)))
    return false;
  SetTriggerTypeCode(type, trigger);
  bool ok;
  if (type == TASK_TIME_TRIGGER_MONTHLYDATE) {
    ok = in->Dword(&trigger->Type.MonthlyDate.rgfDays) &&
         in->Word(&trigger->Type.MonthlyDate.rgfMonths);
  } else {
    ok = in->Word(&trigger->Type.MonthlyDOW.wWhichWeek) &&
         in->Word(&trigger->Type.MonthlyDOW.rgfDaysOfTheWeek) &&
         in->Word(&trigger->Type.MonthlyDOW.rgfMonths);
  }
  return ok && in->Word(&padding) && in->Word(&trigger->Reserved2) &&
         in->Word(&trigger->wRandomMinutesInterval);
}

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

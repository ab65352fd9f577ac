#include "service/run_note.h"

#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kMagic[] = "jobwarden-run-note-1";
constexpr const char* kStateNames[] = {"none", "starting", "running", "ended"};

std::string TimeField(const SYSTEMTIME& time) {
  char text[64];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u.%03u/%u", time.wYear,
                time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds,
                time.wDayOfWeek);
  return text;
}

bool ParseTime(const char* text, SYSTEMTIME* time) {
  unsigned field[8];
  if (std::sscanf(text, "%4u-%2u-%2uT%2u:%2u:%2u.%3u/%1u", &field[0], &field[1], &field[2],
                  &field[3], &field[4], &field[5], &field[6], &field[7]) != 8)
    return false;
  *time = SYSTEMTIME{};
  time->wYear = static_cast<WORD>(field[0]);
  time->wMonth = static_cast<WORD>(field[1]);
  time->wDay = static_cast<WORD>(field[2]);
  time->wHour = static_cast<WORD>(field[3]);
  time->wMinute = static_cast<WORD>(field[4]);
  time->wSecond = static_cast<WORD>(field[5]);
  time->wMilliseconds = static_cast<WORD>(field[6]);
  time->wDayOfWeek = static_cast<WORD>(field[7]);
  return true;
}

bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
         a.wMinute == b.wMinute && a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

}  // namespace

RunNote StartingNote(const JobFile& before, const JobFile& started) {
  RunNote note;
  note.state = RunNote::State::kStarting;
  std::memcpy(note.job_uuid, started.job_uuid, sizeof(note.job_uuid));
  note.run_date = started.run_date;
  note.previous_run_date = before.run_date;
  note.previous_exit_code = before.exit_code;
  note.previous_status = before.status;
  note.previous_running_count = before.running_instance_count;
  return note;
}

bool TellsOf(const RunNote& note, const JobFile& stored) {
  return note.state != RunNote::State::kNone &&
         std::memcmp(note.job_uuid, stored.job_uuid, sizeof(note.job_uuid)) == 0 &&
         SameTime(note.run_date, stored.run_date);
}

void PutBackRecord(const RunNote& note, JobFile* stored) {
  stored->run_date = note.previous_run_date;
  stored->exit_code = note.previous_exit_code;
  stored->status = note.previous_status;
  stored->running_instance_count = note.previous_running_count;
}

bool WriteRunNote(int fd, const RunNote& note) {
  std::string uuid;
  char hex[3];
  for (BYTE byte : note.job_uuid) {
    std::snprintf(hex, sizeof(hex), "%02x", byte);
    uuid += hex;
  }
  char text[kRunNoteSize + 1];
  const int length = std::snprintf(
      text, sizeof(text), "%s %s %s %s %08X %s %08X %08X %u", kMagic,
      kStateNames[static_cast<int>(note.state)], uuid.c_str(), TimeField(note.run_date).c_str(),
      static_cast<unsigned>(note.exit_code), TimeField(note.previous_run_date).c_str(),
      static_cast<unsigned>(note.previous_exit_code), static_cast<unsigned>(note.previous_status),
      static_cast<unsigned>(note.previous_running_count));
  if (length < 0 || static_cast<size_t>(length) >= kRunNoteSize)
    return false;
  std::memset(text + length, ' ', kRunNoteSize - 1 - static_cast<size_t>(length));
  text[kRunNoteSize - 1] = '\n';
  ssize_t written;
  do {
    written = pwrite(fd, text, kRunNoteSize, 0);
  } while (written < 0 && errno == EINTR);
  return written == static_cast<ssize_t>(kRunNoteSize);
}

bool ReadRunNote(int fd, RunNote* note) {
  char text[kRunNoteSize + 1] = {};
  if (pread(fd, text, kRunNoteSize, 0) != static_cast<ssize_t>(kRunNoteSize))
    return false;
  char magic[32], state[16], uuid[33], run_date[32], previous_date[32];
  unsigned exit_code, previous_exit_code, previous_status, previous_count;
  if (std::sscanf(text, "%31s %15s %32s %31s %8X %31s %8X %8X %u", magic, state, uuid, run_date,
                  &exit_code, previous_date, &previous_exit_code, &previous_status,
                  &previous_count) != 9 ||
      std::strcmp(magic, kMagic) != 0 || std::strlen(uuid) != 32)
    return false;
  RunNote read;
  int state_index = 0;
  while (state_index < 4 && std::strcmp(state, kStateNames[state_index]) != 0)
    ++state_index;
  if (state_index == 4 || !ParseTime(run_date, &read.run_date) ||
      !ParseTime(previous_date, &read.previous_run_date) || previous_count > 0xFFFF)
    return false;
  read.state = static_cast<RunNote::State>(state_index);
  for (size_t i = 0; i < sizeof(read.job_uuid); ++i) {
    unsigned byte;
    if (std::sscanf(uuid + 2 * i, "%2x", &byte) != 1)
      return false;
    read.job_uuid[i] = static_cast<BYTE>(byte);
  }
  read.exit_code = exit_code;
  read.previous_exit_code = previous_exit_code;
  read.previous_status = previous_status;
  read.previous_running_count = static_cast<WORD>(previous_count);
  *note = read;
  return true;
}

// What the .job file tests share: jobs and triggers with every field set,
// a round trip through the writer and reader, and the bytes read and built
// by hand at the places the format documents, independently of the reader.
#ifndef PLATFORM_TASKSCHEDULER_JOB_FILE_TESTING_H_
#define PLATFORM_TASKSCHEDULER_JOB_FILE_TESTING_H_

#include <mstask.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/taskscheduler/job_file.h"

// Every third week, on every day.
TASK_TRIGGER WeeklyTrigger();
// Days 1 to 16 and 32 (a bit past the month's days) of every month.
TASK_TRIGGER MonthlyDateTrigger();
// Every field the reader must carry through, the reserved ones included.
TASK_TRIGGER MonthlyDowTrigger();

// Every field of `actual` as in `expected`, with the 48 bytes of the record
// as its size.
void ExpectSameTrigger(const TASK_TRIGGER& expected, const TASK_TRIGGER& actual);

// A job with every field set to a value of its own, and one trigger of
// each kind of type fields.
JobFile FullJob();

// `job` written and read again; a failure of either is a test failure.
JobFile RoundTrip(const JobFile& job);

// Whether the reader accepts `bytes`.
bool Parses(const std::vector<uint8_t>& bytes);

WORD WordAt(const std::vector<uint8_t>& bytes, size_t at);
DWORD DwordAt(const std::vector<uint8_t>& bytes, size_t at);

// Builds .job bytes by hand, for files as other writers lay them out.
struct RawFile {
  std::vector<uint8_t> bytes;
  void Word(WORD value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void Dword(DWORD value) {
    Word(static_cast<WORD>(value));
    Word(static_cast<WORD>(value >> 16));
  }
  void Zeros(size_t count) { bytes.insert(bytes.end(), count, 0); }
  void SetWord(size_t at, WORD value) {
    bytes.at(at) = static_cast<uint8_t>(value);
    bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
  }
};

#endif  // PLATFORM_TASKSCHEDULER_JOB_FILE_TESTING_H_

// What the service writes into a task's .job file about its runs, as the
// Windows service does (every other field stays as it was), what it reads
// there for a run (its program, its time limit), and the texts of times
// and codes that the log and status show of it.
#ifndef SERVICE_RUN_RECORD_H_
#define SERVICE_RUN_RECORD_H_

#include <time.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "platform/taskscheduler/job_file.h"
#include "service/run_note.h"
#include "service/status_codes.h"

// The local time of `when` as the .job file keeps it.
SYSTEMTIME LocalSystemTime(time_t when);

// Whether the job's most recent run began in the same local minute as
// `minute` (wall time).
bool RanInMinuteOf(const JobFile& job, time_t minute);

// A run begins at `started`: most recent run time, status running, one
// more running instance.
void RecordStart(time_t started, JobFile* job);

// A run that began has ended with `exit_code`.
void RecordEnd(DWORD exit_code, JobFile* job);

// A run recorded as running has ended unseen: nothing of it runs any
// more, and its exit code is unknown.
void RecordUnseenEnd(JobFile* job);

// A run due at `attempted` could not begin: most recent run time and the
// reason, as the exit code.
void RecordRefusal(time_t attempted, DWORD exit_code, JobFile* job);

// How the record of a run recorded as running, whose lock is free (so that
// nothing of it runs), is put right from its note (run_note.h), when the
// note tells of that run: a run that never began gets the record from
// before its start back; an end that was noted is recorded with its exit
// code; else the end is recorded as unseen.
enum class Repair { kUnseenEnd, kLateEnd, kNeverStarted };
Repair RepairRecord(const RunNote* note, JobFile* job);

// The time limit that the job's maximum run time sets; none for 0 and for
// INFINITE (0xFFFFFFFF).
std::optional<std::chrono::milliseconds> TimeLimitOf(const JobFile& job);

// The task's program with its parameters, as stored.
std::string CommandText(const JobFile& job);

// The texts of the log and of status: a local time to the minute
// ("2026-12-07 10:21"), and an exit code or HRESULT in hex ("0x1",
// "0x8007042B"), with at least `digits` digits.
std::string TimeText(const SYSTEMTIME& time);
std::string HexText(DWORD value, int digits = 0);

#endif  // SERVICE_RUN_RECORD_H_

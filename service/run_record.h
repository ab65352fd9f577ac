// What the service writes into a task's .job file about its runs, as the
// Windows service does (every other field stays as it was), and the texts
// of times and codes that the log and status show of it.
#ifndef SERVICE_RUN_RECORD_H_
#define SERVICE_RUN_RECORD_H_

#include <time.h>
#include <windows.h>

#include <string>

#include "platform/taskscheduler/job_file.h"

constexpr DWORD SCHED_S_TASK_READY = 0x00041300;
constexpr DWORD SCHED_S_TASK_RUNNING = 0x00041301;
// The exit code recorded for a task that cannot start: no program
// (SCHED_E_TASK_NOT_READY), no such account (ERROR_NONE_MAPPED).
constexpr DWORD SCHED_E_TASK_NOT_READY = 0x8004130A;
constexpr DWORD kNoSuchAccount = static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_NONE_MAPPED));
// The exit code recorded for a run whose end nobody saw (its watcher was
// killed): HRESULT_FROM_WIN32(ERROR_PROCESS_ABORTED).
constexpr DWORD kRunEndNotSeen = 0x8007042B;
// Recorded in place of the exit code when the service ended the task at
// its maximum run time, as the Windows service records a task it ended.
constexpr DWORD SCHED_S_TASK_TERMINATED = 0x00041306;
// The exit code recorded for a run ended because whoever started it by
// hand stopped jobwarden-service run: HRESULT_FROM_WIN32(ERROR_CANCELLED).
constexpr DWORD kRunInterrupted = 0x800704C7;

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

// The texts of the log and of status: a local time to the minute
// ("2026-12-07 10:21"), and an exit code or HRESULT in hex ("0x1",
// "0x8007042B"), with at least `digits` digits.
std::string TimeText(const SYSTEMTIME& time);
std::string HexText(DWORD value, int digits = 0);

#endif  // SERVICE_RUN_RECORD_H_

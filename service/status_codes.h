// The codes the service records in a task's .job file and answers with,
// beside a program's own exit code: Windows' own, by their SDK names where
// the SDK has one, and the HRESULTs of Win32 errors that the service gives
// a meaning of its own, named for that meaning.
#ifndef SERVICE_STATUS_CODES_H_
#define SERVICE_STATUS_CODES_H_

#include <windows.h>

constexpr DWORD SCHED_S_TASK_READY = 0x00041300;
constexpr DWORD SCHED_S_TASK_RUNNING = 0x00041301;
// The exit code recorded for a task that cannot start: no program
// (SCHED_E_TASK_NOT_READY), no such account (ERROR_NONE_MAPPED).
constexpr DWORD SCHED_E_TASK_NOT_READY = 0x8004130A;
constexpr DWORD kNoSuchAccount = static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_NONE_MAPPED));
// The exit code recorded for a task not started for one of its conditions:
// its account has no session (SCHED_E_USER_NOT_LOGGED_ON), the machine is
// on batteries (SCHED_E_TASK_ATTEMPTED: a constraint of the task was not
// met).
constexpr DWORD SCHED_E_USER_NOT_LOGGED_ON = 0x80041320;
constexpr DWORD SCHED_E_TASK_ATTEMPTED = 0x80041324;
// The exit code recorded for a run whose end nobody saw (its watcher was
// killed): HRESULT_FROM_WIN32(ERROR_PROCESS_ABORTED).
constexpr DWORD kRunEndNotSeen = 0x8007042B;
// Recorded in place of the exit code when the service ended the task at
// its maximum run time, as the Windows service records a task it ended.
constexpr DWORD SCHED_S_TASK_TERMINATED = 0x00041306;
// The exit code recorded for a run ended because whoever started it by
// hand stopped jobwarden-service run: HRESULT_FROM_WIN32(ERROR_CANCELLED).
constexpr DWORD kRunInterrupted = 0x800704C7;

// The answer for a task the service must not trust; Windows' own code for
// a subject that is not trusted for an action. Not E_ACCESSDENIED, which a
// file the service may not read gets.
constexpr HRESULT TRUST_E_SUBJECT_NOT_TRUSTED = static_cast<HRESULT>(0x800B0004);

#endif  // SERVICE_STATUS_CODES_H_

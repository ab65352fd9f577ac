// A task's last result as `status` and the run log say it: the exit code
// of a program that ran, or in words the reason the service recorded in its
// place (an HRESULT) when the program could not run or did not end by
// itself.
#ifndef SERVICE_RESULT_TEXT_H_
#define SERVICE_RESULT_TEXT_H_

#include <windows.h>

#include <string>

// Recorded in place of the exit code when the service ended the task at
// its maximum run time, as the Windows service records a task it ended.
constexpr DWORD SCHED_S_TASK_TERMINATED = 0x00041306;

// The exit code to record for a run that ended with `exit_code` (its exit
// status, or 128 + the signal that ended it); `timed_out` when the service
// ended it at its time limit. The log line of that end keeps the status.
DWORD ExitCodeToRecord(DWORD exit_code, bool timed_out);

// "exit code 3", "exit code 143 (128 + SIGTERM)", "the program was not
// found", "the account jw-x does not exist", "error 0x80070057". `account`
// is the task's account name, for the code that says it does not exist
// (visible, visible_text.h).
std::string ResultInWords(DWORD exit_code, const std::string& account);

#endif  // SERVICE_RESULT_TEXT_H_

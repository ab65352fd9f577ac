// A task's last result as `status` and the run log say it: the exit code
// of a program that ran, or in words the reason the service recorded in its
// place (an HRESULT) when the program could not run or did not end by
// itself.
#ifndef SERVICE_RESULT_TEXT_H_
#define SERVICE_RESULT_TEXT_H_

#include <windows.h>

#include <string>

// "exit code 3", "exit code 143 (128 + SIGTERM)", "the program was not
// found", "the account jw-x does not exist", "error 0x80070057". `account`
// is the task's account name, for the code that says it does not exist
// (visible, visible_text.h).
std::string ResultInWords(DWORD exit_code, const std::string& account);

#endif  // SERVICE_RESULT_TEXT_H_

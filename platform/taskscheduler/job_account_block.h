// The account a task runs under, in the .job file. The format has no field
// for it on Windows (the service keeps credentials apart), so the name,
// never a password, rides at the front of the user data as
//   "JWAC", WORD unit count, UTF-16LE units (no terminator)
// and Windows and Wine, which only carry user data around, still read the
// file.
#ifndef PLATFORM_TASKSCHEDULER_JOB_ACCOUNT_BLOCK_H_
#define PLATFORM_TASKSCHEDULER_JOB_ACCOUNT_BLOCK_H_

#include <windows.h>

#include <string>
#include <vector>

// The account block for `account_name` (empty for the system account)
// followed by `user_data`. The block is always there, even for the system
// account, so that user data of the caller's that happens to begin with the
// tag survives a round trip.
std::vector<BYTE> UserDataWithAccount(const std::wstring& account_name,
                                      const std::vector<BYTE>& user_data);

// Takes the account block off the front of the user data, if there is a
// well-formed one; user data without it (files from Windows or Wine) is kept
// whole and means the system account (an empty name).
void SplitAccountFromUserData(std::vector<BYTE>* user_data, std::wstring* account_name);

#endif  // PLATFORM_TASKSCHEDULER_JOB_ACCOUNT_BLOCK_H_

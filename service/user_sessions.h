// Who is logged on now, as the login records tell (utmp: a USER_PROCESS record
// per session): what run-only-if-logged-on asks of the machine.
#ifndef SERVICE_USER_SESSIONS_H_
#define SERVICE_USER_SESSIONS_H_

#include <string>

// The login records' file: JOBWARDEN_UTMP when set (the tests' own), else
// the system's (/run/utmp).
std::string LoginRecordsFile();

// Whether `user` has a session in the records of `file`; a file that
// cannot be read has none.
bool HasSession(const std::string& file, const std::string& user);

#endif  // SERVICE_USER_SESSIONS_H_

#include "service/user_sessions.h"

#include <stdlib.h>
#include <string.h>
#include <utmp.h>

#include <fstream>

std::string LoginRecordsFile() {
  const char* file = getenv("JOBWARDEN_UTMP");
  return file && *file ? file : _PATH_UTMP;
}

// Read record by record, not through getutent, whose file is the
// process's one global choice.
bool HasSession(const std::string& file, const std::string& user) {
  std::ifstream records(file, std::ios::binary);
  utmp record;
  while (records.read(reinterpret_cast<char*>(&record), sizeof(record))) {
    if (record.ut_type == USER_PROCESS && !user.empty() && user.size() <= sizeof(record.ut_user) &&
        strncmp(record.ut_user, user.c_str(), sizeof(record.ut_user)) == 0)
      return true;
  }
  return false;
}

// The logins run-due has not seen yet: each USER_PROCESS record (a console,
// ssh or display manager login) appended to the system's login records,
// wtmp, since the last look. Where that look ended, the offset after the
// last whole record and that record's time, is noted in last-logon of the
// state folder; a wtmp shorter than the offset, or with another record
// there, was rotated, and its records later than the noted time are new.
#ifndef SERVICE_LOGON_RECORDS_H_
#define SERVICE_LOGON_RECORDS_H_

#include <stddef.h>

#include <string>
#include <utility>

class LogonRecords {
 public:
  static constexpr const char* kFileName = "last-logon";
  static constexpr const char* kWtmpPath = "/var/log/wtmp";

  // `folder` is the state folder, open and checked, kept unowned.
  LogonRecords(int folder, std::string wtmp_path)
      : folder_(folder), wtmp_path_(std::move(wtmp_path)) {}

  // How many logins were recorded since the last call, and notes that
  // they were seen (no other caller gets them). The first call notes
  // where the records end and finds none: logins from before the service
  // ran are not new. A missing wtmp holds no records. False, with `why`,
  // when the note cannot be read or written.
  bool TakeNew(size_t* logins, std::string* why) const;

 private:
  int folder_;
  std::string wtmp_path_;
};

// The wtmp in effect: JOBWARDEN_WTMP (the tests' own) or the system's.
std::string WtmpPathFromEnvironment();

#endif  // SERVICE_LOGON_RECORDS_H_

// What the service did, one line per event with its local time, in
// run.log of the state folder: so that `status` and a person reading the
// file see why a task ran or did not, without cron's mail.
//
// Each line is written by one write() on a descriptor opened O_APPEND, so
// the lines of overlapping run-due processes never mix. The file is kept
// bounded as the Windows log wraps: once it passes its limit it becomes
// run.log.1, replacing the one before, and a new run.log begins; between
// the two the newest limit to twice the limit of events are kept. A
// rename, not a rewrite, so that a line another run-due appends meanwhile
// lands in one of the two files, never in a deleted one.
#ifndef SERVICE_RUN_LOG_H_
#define SERVICE_RUN_LOG_H_

#include <sys/types.h>
#include <time.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "service/run_events.h"

class RunLog {
 public:
  static constexpr off_t kDefaultLimit = 1024 * 1024;
  static constexpr const char* kFileName = "run.log";
  static constexpr const char* kPreviousFileName = "run.log.1";

  // `folder` is the state folder ($XDG_STATE_HOME/jobwarden) open and
  // checked (ours, no link, writable by no one else); the log keeps it,
  // unowned. Nothing is opened until the first line.
  explicit RunLog(int folder, off_t limit = kDefaultLimit) : folder_(folder), limit_(limit) {}

  // Appends "YYYY-MM-DD HH:MM:SS `text`" (the local time of `when`) as one
  // line, `text` as VisibleLogLine gives it (visible_text.h) and cut whole
  // past 4000 bytes.
  // `why` receives the reason of a failure (the log file is a link, not
  // ours, the disk is full).
  bool Append(time_t when, const std::string& text, std::string* why);

  // The last `count` lines, with their times; of the task `task` only
  // when it is not empty (run_events.h).
  std::vector<std::string> Tail(size_t count, const std::string& task = "") const;

 private:
  bool Open(std::string* why);
  // Once the file passes the limit: under its flock, renames it when the
  // name still means it (another run-due may have renamed it already),
  // and lets the next line open a new one.
  void RotateIfFull();

  int folder_;
  off_t limit_;
  Descriptor file_;
};

// The run log as run-due's EventLog, each event at the time it is added.
// An event that cannot be written is said where cron sends run-due's
// output instead, with the reason: a log that fails needs a person.
class RunLogEvents : public EventLog {
 public:
  RunLogEvents(RunLog& log, std::ostream& failures) : log_(log), failures_(failures) {}
  void Add(const std::string& text) override;

 private:
  RunLog& log_;
  std::ostream& failures_;
};

#endif  // SERVICE_RUN_LOG_H_

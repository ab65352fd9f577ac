// When cron last started run-due: each run-due notes its time in
// last-run-due of the state folder, so that status can tell a cron that
// stopped, and the next run-due the minutes in which none ran
// (missed_runs.h). The note is text of a fixed size written in place
// over the one before, so that noting never needs disk space; the file
// is opened as the service's own (state_file.h).
#ifndef SERVICE_RUN_DUE_STAMP_H_
#define SERVICE_RUN_DUE_STAMP_H_

#include <time.h>

#include <optional>
#include <string>

class RunDueStamp {
 public:
  static constexpr const char* kFileName = "last-run-due";

  // `folder` is the state folder, open and checked; the stamp keeps it,
  // unowned.
  explicit RunDueStamp(int folder) : folder_(folder) {}

  // Notes `when` as the time of the latest run-due. `why` receives the
  // reason of a failure.
  bool Note(time_t when, std::string* why) const;

  // The time last noted; none when nothing was noted yet (`why` empty) or
  // the file is refused or holds no time (`why` says so).
  std::optional<time_t> Last(std::string* why) const;

 private:
  int folder_;
};

// Seen at `now`, how long cron takes to start run-due at most before
// status asks whether cron runs.
constexpr time_t kCronStartLate = 2 * 60;

// What status says of cron's last start of run-due, as a line: when it
// was, or, for an `installed` service, that it is late or never came.
// Nothing for a service not installed that never ran.
std::string CronStartLine(const RunDueStamp& stamp, time_t now, bool installed);

#endif  // SERVICE_RUN_DUE_STAMP_H_

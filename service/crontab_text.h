// The service's lines in a crontab (the minute line, and the @reboot line
// of system-start, kept as one entry), and adding or removing it in the
// text of a crontab with every other line kept byte for byte. A line is the
// service's only when it is exactly one that ServiceLine writes (or one that
// earlier versions wrote: without the program's test, or with the variables
// set by the shell), so a user's own line or a commented-out copy is never
// taken for it.
#ifndef SERVICE_CRONTAB_TEXT_H_
#define SERVICE_CRONTAB_TEXT_H_

#include <optional>
#include <string>
#include <vector>

// "* * * * * test -x '<program>' && /usr/bin/env JOBWARDEN_TASKS_DIR='<folder>'
// '<program>' run-due # jobwarden-service": runs the service every minute on
// the given task folder, with XDG_STATE_HOME='<state>' after the folder when
// `state_home` is not empty, and does nothing, silently, once the program is
// gone. The variables are set by env, not by the shell, and the test, the
// "&&" and the quoting hold in sh and csh alike, so the line works whatever
// SHELL the crontab sets. Nothing when a value holds a character cron or the line
// cannot carry (newline, NUL, "%"), or the program's path an "=" (env would
// take it for one more variable).
std::optional<std::string> ServiceLine(const std::string& program, const std::string& task_folder,
                                       const std::string& state_home = "");

// "@reboot test -x '<program>' && ... '<program>' system-start #
// jobwarden-service": the same, for system-start at boot.
std::optional<std::string> ServiceBootLine(const std::string& program,
                                           const std::string& task_folder,
                                           const std::string& state_home = "");

// What a service line says.
struct ServiceLineValues {
  std::string program;
  std::string task_folder;
  std::string state_home;  // empty when the line sets none
  bool at_boot = false;    // the @reboot line
};

// The service's minute lines in `crontab`, in order: they alone say that
// it runs.
std::vector<ServiceLineValues> ServiceLines(const std::string& crontab);

// The crontab with `line` (one line or more) in place of the first
// service line of either kind (later ones removed), or appended when it
// has none.
std::string WithServiceLine(const std::string& crontab, const std::string& line);

// The crontab without any service line of either kind.
std::string WithoutServiceLine(const std::string& crontab);

#endif  // SERVICE_CRONTAB_TEXT_H_

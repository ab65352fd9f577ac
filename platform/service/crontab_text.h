// The service's one line in a crontab, and adding or removing it in the
// text of a crontab with every other line kept byte for byte. The line ends
// with a shell comment that names it, so that it is found again whatever
// path or task folder it was installed with.
#ifndef PLATFORM_SERVICE_CRONTAB_TEXT_H_
#define PLATFORM_SERVICE_CRONTAB_TEXT_H_

#include <optional>
#include <string>

// The comment the service's line ends with.
extern const char kServiceLineMark[];

// "* * * * * JOBWARDEN_TASKS_DIR='<folder>' '<program>' run-due # jobwarden-service":
// runs the service every minute on the given task folder, with
// XDG_STATE_HOME='<state>' before the program when `state_home` is not
// empty. Nothing when a value holds a character cron or the line cannot
// carry (newline, NUL, "%").
std::optional<std::string> ServiceLine(const std::string& program, const std::string& task_folder,
                                       const std::string& state_home = "");

bool HasServiceLine(const std::string& crontab);

// The crontab with `line` in place of the first service line (later ones
// removed), or appended when it has none.
std::string WithServiceLine(const std::string& crontab, const std::string& line);

// The crontab without any service line.
std::string WithoutServiceLine(const std::string& crontab);

#endif  // PLATFORM_SERVICE_CRONTAB_TEXT_H_

// The service's commands install and uninstall (run-due, cron's once a
// minute, is run_due.h's; status is status_report.h's). Each returns
// the process's exit status: 0 when it did what it says, 1 otherwise. With
// them, the task folder's path as install records it.
#ifndef SERVICE_SERVICE_COMMANDS_H_
#define SERVICE_SERVICE_COMMANDS_H_

#include <time.h>

#include <ostream>
#include <string>

#include "service/crontab.h"
#include "service/run_due.h"
#include "service/system_service.h"

// A folder's path as it is recorded for later: absolute, and the same
// whatever the current directory or the symbolic links on the way, so that
// cron, starting elsewhere, reads the very folder that was meant. `path` made absolute against the
// current directory, with its symbolic links, "." and ".." resolved. The part that does not exist
// yet is appended to the part that does, "." and ".." in it taken as "mkdir -p" takes them. Empty
// when the current directory cannot be known.
std::string CanonicalPath(const std::string& path);

// Adds the line that runs `program` every minute on `task_folder` (and
// with the state folder `state_home`, when not empty), unless the system
// service already runs that folder: then it says so and leaves the crontab
// as it is (an older line in it runs nothing twice: a task's record shows
// its run of the minute).
int InstallCommand(Crontab& crontab, const SystemService& system, const std::string& program,
                   const std::string& task_folder, const std::string& state_home, std::ostream& out,
                   std::ostream& err);

// Removes the crontab's line; the system service's file is the package's,
// and is left as it is.
int UninstallCommand(Crontab& crontab, const SystemService& system, std::ostream& out,
                     std::ostream& err);

#endif  // SERVICE_SERVICE_COMMANDS_H_

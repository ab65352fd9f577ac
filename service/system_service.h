// The system service: the Debian package's /etc/cron.d/jobwarden, whose
// lines have cron start root's run-due every minute and its system-start
// at boot. Cron runs it as root
// with cron's own environment, so it serves root's default task folder
// alone; each user who wants their own tasks run still installs a line in
// their crontab, and root too for any other folder.
#ifndef SERVICE_SYSTEM_SERVICE_H_
#define SERVICE_SYSTEM_SERVICE_H_

#include <string>

#include "platform/taskscheduler/task_folder_location-posix.h"

// The lines as the package's file (cmake/debian/jobwarden.cron.d) holds
// them. The program's test keeps them silent once the package is removed
// and the file, a conffile, is kept.
constexpr char kSystemCronLine[] =
    "* * * * * root [ -x /usr/bin/jobwarden-service ] && /usr/bin/jobwarden-service run-due";
constexpr char kSystemBootLine[] =
    "@reboot root [ -x /usr/bin/jobwarden-service ] && /usr/bin/jobwarden-service system-start";

// Whether `text`, a cron.d file, holds kSystemCronLine and kSystemBootLine,
// each as a line of its own, to the byte and ended by a line feed (cron
// ignores a last line without one).
bool HoldsSystemCronLine(const std::string& text);

// Whether the file at `path` holds it and is one cron, as root, reads:
// trusted as trust_rule.h says for root (cron skips a file someone else
// could write), no symbolic link.
bool CronFileHoldsSystemLine(const std::string& path);

// What root's install, uninstall and status know of the system service.
struct SystemService {
  std::string cron_file;  // where its line was looked for, as messages name it
  bool runs = false;      // the file holds the line and cron would start its program

  // It serves root's default task folder.
  bool Serves(const std::string& task_folder) const {
    return runs && task_folder == kSystemTaskFolder;
  }
};

// For root, the file JOBWARDEN_CRON_D names (the tests' own), else
// /etc/cron.d/jobwarden: it runs when that file holds the line and
// /usr/bin/jobwarden-service is there. For anyone else, one that runs
// nothing of theirs.
SystemService SystemServiceFromEnvironment();

#endif  // SERVICE_SYSTEM_SERVICE_H_

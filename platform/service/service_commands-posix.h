// The service's commands: run-due (cron's once a minute), install,
// uninstall and status. Each returns the process's exit status: 0 when it
// did what it says, 1 otherwise.
#ifndef PLATFORM_SERVICE_SERVICE_COMMANDS_POSIX_H_
#define PLATFORM_SERVICE_SERVICE_COMMANDS_POSIX_H_

#include <time.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/service/crontab-posix.h"
#include "platform/service/run_due.h"

// Opens the task store anew: each task's process has its own, so that a
// lock it takes on the folder excludes the others (a descriptor shared
// across fork would share its lock too).
using TaskStoreOpener = std::function<std::unique_ptr<TaskStore>()>;

// Runs every task due in the minute of `now`, each in a process of its own
// so that a long one holds up no other, and waits for them all.
int RunDueCommand(const RunContext& context, const TaskStoreOpener& open_store, time_t now);

// Adds the line that runs `program` every minute on `task_folder` (and
// with the state folder `state_home`, when not empty).
int InstallCommand(Crontab& crontab, const std::string& program, const std::string& task_folder,
                   const std::string& state_home, std::ostream& out, std::ostream& err);

int UninstallCommand(Crontab& crontab, std::ostream& out, std::ostream& err);

// Whether the line is installed, and each task with its next run (or why
// the service refuses to run it) and its most recent one.
int StatusCommand(Crontab& crontab, TaskStore& store, const std::string& task_folder, time_t now,
                  std::ostream& out, std::ostream& err);

#endif  // PLATFORM_SERVICE_SERVICE_COMMANDS_POSIX_H_

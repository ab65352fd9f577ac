// jobwarden-service run-due | install | uninstall | status
#include <limits.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/taskscheduler/task_folder_location-posix.h"
#include "service/crontab-posix.h"
#include "service/run_due.h"
#include "service/run_lock-posix.h"
#include "service/service_commands-posix.h"
#include "service/task_launcher-posix.h"
#include "service/task_store-posix.h"

namespace {

const char kUsage[] =
    "usage: jobwarden-service run-due | install | uninstall | status\n"
    "  run-due    run the tasks due in this minute (cron starts it once a minute)\n"
    "  install    add the once-a-minute line to your crontab\n"
    "  uninstall  remove that line\n"
    "  status     whether it is installed, and each task's next and last run\n";

std::string OwnPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0)
    return "";
  return std::string(path, static_cast<size_t>(length));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << kUsage;
    return 1;
  }
  const std::string command = argv[1];
  bool is_default = false;
  // The folder as cron, starting elsewhere, must be given it.
  const std::string folder = CanonicalPath(TaskFolderPathFromEnvironment(&is_default));
  if (folder.empty()) {
    std::cerr << "jobwarden-service: no task folder (neither JOBWARDEN_TASKS_DIR nor a home)\n";
    return 1;
  }
  FolderTaskStore store(folder, is_default);
  if (command == "run-due") {
    ProcessLauncher launcher;
    const RunLocks locks(StateFolderFromEnvironment());
    const RunContext context{store, launcher, locks, folder, std::cerr};
    return RunDueCommand(context, time(nullptr));
  }
  CommandCrontab crontab;
  if (command == "install") {
    const char* state_home = std::getenv("XDG_STATE_HOME");
    return InstallCommand(crontab, OwnPath(), folder, state_home ? state_home : "", std::cout,
                          std::cerr);
  }
  if (command == "uninstall")
    return UninstallCommand(crontab, std::cout, std::cerr);
  if (command == "status")
    return StatusCommand(crontab, store, folder, time(nullptr), std::cout, std::cerr);
  std::cerr << kUsage;
  return 1;
}

// jobwarden-service run-due | system-start | run NAME | install | uninstall | status [NAME]
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/task_folder_location-posix.h"
#include "service/crontab.h"
#include "service/local_clock.h"
#include "service/machine_state.h"
#include "service/run_due.h"
#include "service/run_lock.h"
#include "service/run_log.h"
#include "service/service_commands.h"
#include "service/service_folders.h"
#include "service/service_messages.h"
#include "service/status_report.h"
#include "service/system_service.h"
#include "service/task_launcher.h"
#include "service/task_output.h"
#include "service/task_store.h"

namespace {

const char kUsage[] =
    "usage: jobwarden-service run-due | system-start | run NAME | install | uninstall | status "
    "[NAME]\n"
    "  run-due      run the tasks due in this minute (cron starts it once a minute)\n"
    "  system-start run the tasks that start at system start (cron starts it at boot)\n"
    "  run NAME     run the task NAME now, once, and wait for its end\n"
    "  install      add the once-a-minute and @reboot lines to your crontab\n"
    "  uninstall    remove those lines\n"
    "  status       whether it is installed, and each task's next and last run\n"
    "  status NAME  that task, with the end of its run log and of its output\n";

std::string OwnPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0)
    return "";
  return std::string(path, static_cast<size_t>(length));
}

// What the commands that run tasks and status share: the service's
// folders, opened once, the run log, the tasks' outputs and run-due's
// stamp in them.
struct ServiceState {
  ServiceFolders folders{StateHomeFromEnvironment(), LogFolderFromEnvironment()};
  std::string why;
  const int state = folders.State(&why);
  RunLog run_log{folders.Log(&why)};
  TaskOutputs outputs{state, folders.StatePath()};
  RunLocks locks{folders};
  RunDueStamp stamp{state};
  BootNote boot{state, BootIdPathFromEnvironment()};
  LogonRecords logons{state, WtmpPathFromEnvironment()};

  TaskOutputs* usable_outputs() { return state >= 0 ? &outputs : nullptr; }
  const RunDueStamp* usable_stamp() const { return state >= 0 ? &stamp : nullptr; }
  const BootNote* usable_boot() const { return state >= 0 ? &boot : nullptr; }
  const LogonRecords* usable_logons() const { return state >= 0 ? &logons : nullptr; }
};

// The commands that run tasks: run-due, system-start, and run NAME.
int RunTasks(FolderTaskStore& store, const std::string& folder, const std::string& command,
             const std::wstring* name) {
  // Run by hand, on a terminal: stopping it ends the task.
  ProcessLauncher launcher(name != nullptr);
  ServiceState service;
  const SystemMachineState machine;
  RunLogEvents events(service.run_log, std::cerr);
  const RunContext context{store,
                           launcher,
                           service.locks,
                           folder,
                           std::cerr,
                           events,
                           service.usable_outputs(),
                           service.usable_stamp(),
                           &machine,
                           service.usable_boot(),
                           service.usable_logons()};
  if (name)
    return RunNowCommand(context, *name, Now());
  return command == "system-start" ? SystemStartCommand(context, Now())
                                   : RunDueCommand(context, Now());
}

// Where else this user's tasks or their outputs are: tasks root left in
// its former folder, and an account's outputs of the tasks root's service
// runs as it.
std::vector<std::string> StatusNotes() {
  std::vector<std::string> notes;
  const std::string left_behind = LeftBehindTasksNotice();
  if (!left_behind.empty())
    notes.push_back(left_behind);
  const passwd* me = geteuid() == 0 ? nullptr : getpwuid(geteuid());
  if (me) {
    const std::string name = me->pw_name;
    const std::string outputs =
        ServiceFolders(kSystemStateHome).StatePath() + "/" + TaskOutputs::kFolderName + "/" + name;
    struct stat info = {};
    if (stat(outputs.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      notes.push_back("The outputs of the tasks that root's service runs as " + name + " are in " +
                      outputs);
  }
  return notes;
}

int Status(FolderTaskStore& store, const std::string& folder, const std::wstring* name) {
  CommandCrontab crontab;
  ServiceState service;
  const SystemService system = SystemServiceFromEnvironment();
  StatusSources sources;
  if (service.state >= 0) {
    sources.run_log = &service.run_log;
    sources.outputs = &service.outputs;
    sources.stamp = &service.stamp;
  }
  sources.notes = StatusNotes();
  sources.system = &system;
  return StatusCommand(crontab, store, folder, Now(), sources, name, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const bool named = command == "run" || command == "status";
  if (argc < 2 || argc > (named ? 3 : 2) || (command == "run" && argc != 3)) {
    std::cerr << kUsage;
    return 1;
  }
  const std::wstring name = argc == 3 ? WideFromUtf8(argv[2]) : L"";
  bool is_default = false;
  // The folder as cron, starting elsewhere, must be given it.
  const std::string folder = CanonicalPath(TaskFolderPathFromEnvironment(&is_default));
  if (folder.empty()) {
    std::cerr << kMessagePrefix << "no task folder (neither JOBWARDEN_TASKS_DIR nor a home)\n";
    return 1;
  }
  FolderTaskStore store(folder, is_default);
  if (command == "run-due" || command == "system-start")
    return RunTasks(store, folder, command, nullptr);
  if (command == "run")
    return RunTasks(store, folder, command, &name);
  if (command == "status")
    return Status(store, folder, argc == 3 ? &name : nullptr);
  CommandCrontab crontab;
  const SystemService system = SystemServiceFromEnvironment();
  if (command == "install") {
    const char* state_home = std::getenv("XDG_STATE_HOME");
    return InstallCommand(crontab, system, OwnPath(), folder, state_home ? state_home : "",
                          std::cout, std::cerr);
  }
  if (command == "uninstall")
    return UninstallCommand(crontab, system, std::cout, std::cerr);
  std::cerr << kUsage;
  return 1;
}

// Where the task folder is on a host without a Windows task folder: named
// by the environment, else the system's folder for root (as on Windows
// every administrator's task goes to the one system folder), else under
// the user's XDG data directory.
#ifndef PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCATION_POSIX_H_
#define PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCATION_POSIX_H_

#include <string>

// Root's tasks, when neither JOBWARDEN_TASKS_DIR nor XDG_DATA_HOME names
// another folder.
constexpr char kSystemTaskFolder[] = "/var/lib/jobwarden/tasks";

// The folder named by JOBWARDEN_TASKS_DIR; else jobwarden/tasks under
// $XDG_DATA_HOME when that is set; else, for root, kSystemTaskFolder, and
// for anyone else jobwarden/tasks under ~/.local/share. Empty when none can
// be worked out (no environment and no home directory). `is_default` is
// false for a folder the environment names.
std::string TaskFolderPathFromEnvironment(bool* is_default);

// When root uses the system folder while tasks remain in the per-user
// folder that root's tasks lived in before (~/.local/share/jobwarden/tasks):
// a line that says where they are and how to move them; else empty.
std::string LeftBehindTasksNotice();

#endif  // PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCATION_POSIX_H_

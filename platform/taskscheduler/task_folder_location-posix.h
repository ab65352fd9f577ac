// Where the task folder is on a host without a Windows task folder: named
// by the environment, or else under the XDG data directory.
#ifndef PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCATION_POSIX_H_
#define PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCATION_POSIX_H_

#include <string>

// The folder named by JOBWARDEN_TASKS_DIR, or else jobwarden/tasks under the
// XDG data directory ($XDG_DATA_HOME, or ~/.local/share). Empty when neither
// can be worked out (no environment and no home directory).
std::string TaskFolderPathFromEnvironment(bool* is_default);

#endif  // PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOCATION_POSIX_H_

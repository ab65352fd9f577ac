#include "platform/taskscheduler/task_folder_location-posix.h"

#include <dirent.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeDirectory() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty())
    return home;
  std::vector<char> buffer(16384);
  passwd entry = {};
  passwd* result = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir)
    return result->pw_dir;
  return "";
}

// ~/.local/share/jobwarden/tasks: the user's own folder.
std::string PerUserTaskFolder() {
  const std::string home = HomeDirectory();
  return home.empty() ? "" : home + "/.local/share/jobwarden/tasks";
}

}  // namespace

std::string TaskFolderPathFromEnvironment(bool* is_default) {
  std::string named = EnvironmentValue("JOBWARDEN_TASKS_DIR");
  *is_default = named.empty();
  if (!named.empty())
    return named;
  // The XDG rules ignore a relative XDG_DATA_HOME.
  const std::string data_home = EnvironmentValue("XDG_DATA_HOME");
  if (!data_home.empty() && data_home[0] == '/')
    return data_home + "/jobwarden/tasks";
  if (geteuid() == 0)
    return kSystemTaskFolder;
  return PerUserTaskFolder();
}

std::string LeftBehindTasksNotice() {
  bool is_default = false;
  if (TaskFolderPathFromEnvironment(&is_default) != kSystemTaskFolder)
    return "";
  const std::string former = PerUserTaskFolder();
  DIR* folder = former.empty() ? nullptr : opendir(former.c_str());
  if (!folder)
    return "";
  size_t tasks = 0;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    tasks += name.size() > 4 && name.compare(name.size() - 4, 4, ".job") == 0;
  }
  closedir(folder);
  if (tasks == 0)
    return "";
  return std::to_string(tasks) + (tasks == 1 ? " task remains" : " tasks remain") +
         " in root's former task folder " + former + "; root's tasks are in " + kSystemTaskFolder +
         " now. Move them with: mv '" + former + "'/*.job " + kSystemTaskFolder + "/";
}

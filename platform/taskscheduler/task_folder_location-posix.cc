#include "platform/taskscheduler/task_folder_location-posix.h"

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

}  // namespace

std::string TaskFolderPathFromEnvironment(bool* is_default) {
  std::string named = EnvironmentValue("JOBWARDEN_TASKS_DIR");
  *is_default = named.empty();
  if (!named.empty())
    return named;
  // The XDG rules ignore a relative XDG_DATA_HOME.
  std::string data_home = EnvironmentValue("XDG_DATA_HOME");
  if (data_home.empty() || data_home[0] != '/') {
    std::string home = HomeDirectory();
    if (home.empty())
      return "";
    data_home = home + "/.local/share";
  }
  return data_home + "/jobwarden/tasks";
}

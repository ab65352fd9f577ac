#include "service/service_commands.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/posix/wide_text.h"
#include "service/crontab_text.h"
#include "service/due_rule.h"
#include "service/local_clock.h"
#include "service/service_messages.h"

int InstallCommand(Crontab& crontab, const SystemService& system, const std::string& program,
                   const std::string& task_folder, const std::string& state_home, std::ostream& out,
                   std::ostream& err) {
  if (system.Serves(task_folder)) {
    out << "jobwarden-service is installed as the system service (" << system.cron_file
        << "): cron runs it every minute for the tasks in " << task_folder
        << "; nothing was added to root's crontab (jobwarden-service uninstall removes an "
           "older line from it)\n";
    return 0;
  }
  const std::optional<std::string> line = ServiceLine(program, task_folder, state_home);
  const std::optional<std::string> boot_line = ServiceBootLine(program, task_folder, state_home);
  if (!line || !boot_line) {
    err << kMessagePrefix
        << "the program's path or a folder holds a character a crontab "
           "line cannot carry (line break or \"%\"), or the program's path an \"=\"\n";
    return 1;
  }
  std::string text, error;
  if (!crontab.Read(&text, &error)) {
    err << kMessagePrefix << "cannot read the crontab: " << error << "\n";
    return 1;
  }
  const std::string updated = WithServiceLine(text, *line + "\n" + *boot_line);
  if (updated != text && !crontab.Write(updated, &error)) {
    err << kMessagePrefix << "cannot write the crontab: " << error << "\n";
    return 1;
  }
  out << "jobwarden-service is installed: cron runs it every minute for the tasks in "
      << task_folder << "\n";
  return 0;
}

int UninstallCommand(Crontab& crontab, const SystemService& system, std::ostream& out,
                     std::ostream& err) {
  std::string text, error;
  if (!crontab.Read(&text, &error)) {
    err << kMessagePrefix << "cannot read the crontab: " << error << "\n";
    return 1;
  }
  const std::string without = WithoutServiceLine(text);
  if (without == text) {
    out << "jobwarden-service was not installed\n";
  } else if (!crontab.Write(without, &error)) {
    err << kMessagePrefix << "cannot write the crontab: " << error << "\n";
    return 1;
  } else {
    out << "jobwarden-service is uninstalled\n";
  }
  if (system.runs)
    out << "jobwarden-service is still installed as the system service: " << system.cron_file
        << " belongs to the jobwarden package (apt remove jobwarden stops it)\n";
  return 0;
}

namespace {

std::string Resolved(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved)
    return "";
  std::string result = resolved;
  free(resolved);
  return result;
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/')
    return path;
  char current[PATH_MAX];
  if (!getcwd(current, sizeof(current)))
    return "";
  return std::string(current) + "/" + path;
}

void Append(const std::string& name, std::string* path) {
  if (name.empty() || name == ".")
    return;
  if (name == "..") {
    const size_t slash = path->find_last_of('/');
    path->erase(slash == 0 ? 1 : slash);
    return;
  }
  if (path->back() != '/')
    *path += '/';
  *path += name;
}

}  // namespace

std::string CanonicalPath(const std::string& path) {
  std::string existing = Absolute(path);
  if (existing.empty())
    return "";
  // The names after the longest part that resolves, last first.
  std::vector<std::string> rest;
  std::string resolved = Resolved(existing);
  while (resolved.empty() && existing != "/") {
    const size_t slash = existing.find_last_of('/');
    rest.push_back(existing.substr(slash + 1));
    existing.erase(slash == 0 ? 1 : slash);
    resolved = Resolved(existing);
  }
  if (resolved.empty())
    resolved.assign(1, '/');
  for (auto name = rest.rbegin(); name != rest.rend(); ++name)
    Append(*name, &resolved);
  return resolved;
}

#include "service/service_commands-posix.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/posix/wide_text.h"
#include "service/crontab_text.h"
#include "service/due_rule.h"
#include "service/local_clock-posix.h"

namespace {

std::string NextRunText(const JobFile& job, time_t now) {
  if (job.flags & TASK_FLAG_DISABLED)
    return "disabled";
  const bool has_events = std::any_of(job.triggers.begin(), job.triggers.end(),
                                      [](const TASK_TRIGGER& t) { return !HasRunTimes(t); });
  // A run of this minute already happened.
  if (RanInMinuteOf(job, now))
    now = StartOfMinute(now) + 60;
  std::string text;
  if (const std::optional<time_t> next = NextRunTime(job, now))
    text = "next run " + TimeText(LocalSystemTime(*next));
  else
    text = "no next run";
  if (has_events)
    text += " (idle, system start and log on triggers are not run on Linux)";
  return text;
}

std::string LastRunText(const JobFile& job) {
  if (job.run_date.wYear == 0)
    return "has not run";
  if (job.status == SCHED_S_TASK_RUNNING)
    return "running since " + TimeText(job.run_date);
  if (job.exit_code == kRunEndNotSeen)
    return "last run " + TimeText(job.run_date) + ", its end was not seen";
  return "last run " + TimeText(job.run_date) + ", exit code " + HexText(job.exit_code);
}

// Only a line for this very folder runs its tasks; one for another folder
// is what a later install replaces.
std::string InstalledText(const std::vector<ServiceLineValues>& lines,
                          const std::string& task_folder) {
  if (lines.empty())
    return "jobwarden-service is not installed (jobwarden-service install adds it)\n";
  for (const ServiceLineValues& line : lines) {
    if (line.task_folder == task_folder)
      return "jobwarden-service is installed: cron runs it every minute\n";
  }
  return "jobwarden-service is installed for another task folder: " + lines.front().task_folder +
         " (jobwarden-service install makes it this one)\n";
}

}  // namespace

int InstallCommand(Crontab& crontab, const std::string& program, const std::string& task_folder,
                   const std::string& state_home, std::ostream& out, std::ostream& err) {
  const std::optional<std::string> line = ServiceLine(program, task_folder, state_home);
  if (!line) {
    err << "jobwarden-service: the program's path or a folder holds a character a crontab "
           "line cannot carry (line break or \"%\"), or the program's path an \"=\"\n";
    return 1;
  }
  std::string text, error;
  if (!crontab.Read(&text, &error)) {
    err << "jobwarden-service: cannot read the crontab: " << error << "\n";
    return 1;
  }
  const std::string updated = WithServiceLine(text, *line);
  if (updated != text && !crontab.Write(updated, &error)) {
    err << "jobwarden-service: cannot write the crontab: " << error << "\n";
    return 1;
  }
  out << "jobwarden-service is installed: cron runs it every minute for the tasks in "
      << task_folder << "\n";
  return 0;
}

int UninstallCommand(Crontab& crontab, std::ostream& out, std::ostream& err) {
  std::string text, error;
  if (!crontab.Read(&text, &error)) {
    err << "jobwarden-service: cannot read the crontab: " << error << "\n";
    return 1;
  }
  if (ServiceLines(text).empty()) {
    out << "jobwarden-service was not installed\n";
    return 0;
  }
  if (!crontab.Write(WithoutServiceLine(text), &error)) {
    err << "jobwarden-service: cannot write the crontab: " << error << "\n";
    return 1;
  }
  out << "jobwarden-service is uninstalled\n";
  return 0;
}

int StatusCommand(Crontab& crontab, TaskStore& store, const std::string& task_folder, time_t now,
                  std::ostream& out, std::ostream& err) {
  std::string text, error;
  int status = 0;
  if (!crontab.Read(&text, &error)) {
    err << "jobwarden-service: cannot read the crontab: " << error << "\n";
    status = 1;
  } else {
    out << InstalledText(ServiceLines(text), task_folder);
  }
  out << "Tasks in " << task_folder << ":\n";
  std::vector<std::wstring> names;
  if (FAILED(store.List(&names))) {
    err << "jobwarden-service: cannot list the task folder\n";
    return 1;
  }
  for (const std::wstring& name : names) {
    JobFile job;
    std::string refusal;
    out << Utf8FromWide(name) << "\t";
    const HRESULT read = store.Read(name, &job, &refusal);
    if (read == TRUST_E_SUBJECT_NOT_TRUSTED) {
      out << "refused: " << refusal << "\t" << LastRunText(job) << "\n";
      continue;
    }
    if (read != S_OK) {
      out << "not readable as a task\n";
      continue;
    }
    out << NextRunText(job, now) << "\t" << LastRunText(job) << "\n";
  }
  return status;
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

#include "service/service_commands-posix.h"

#include <algorithm>
#include <cstdio>

#include "platform/posix/wide_text.h"
#include "service/crontab_text.h"
#include "service/due_rule.h"
#include "service/local_clock-posix.h"
#include "service/run_record.h"

namespace {

std::string TimeText(const SYSTEMTIME& time) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute);
  return text;
}

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
  char code[16];
  std::snprintf(code, sizeof(code), "0x%X", static_cast<unsigned>(job.exit_code));
  if (job.status == SCHED_S_TASK_RUNNING)
    return "running since " + TimeText(job.run_date);
  if (job.exit_code == kRunEndNotSeen)
    return "last run " + TimeText(job.run_date) + ", its end was not seen";
  return "last run " + TimeText(job.run_date) + ", exit code " + code;
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

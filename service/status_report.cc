#include "service/status_report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/posix/wide_text.h"
#include "service/account.h"
#include "service/crontab_text.h"
#include "service/due_rule.h"
#include "service/event_triggers.h"
#include "service/local_clock.h"
#include "service/result_text.h"
#include "service/run_record.h"
#include "service/service_messages.h"
#include "service/task_flags.h"
#include "service/visible_text.h"

namespace {

enum class Installed { kForThisFolder, kForAnother, kNot, kUnknown };

Installed InstalledFor(Crontab& crontab, const SystemService* system,
                       const std::string& task_folder, std::ostream& out, std::ostream& err) {
  if (system && system->Serves(task_folder)) {
    out << "jobwarden-service is installed as the system service (" << system->cron_file
        << "): cron runs it every minute\n";
    return Installed::kForThisFolder;
  }
  std::string text, error;
  if (!crontab.Read(&text, &error)) {
    err << kMessagePrefix << "cannot read the crontab: " << error << "\n";
    return Installed::kUnknown;
  }
  // Only a line for this very folder runs its tasks; one for another folder
  // is what a later install replaces.
  const std::vector<ServiceLineValues> lines = ServiceLines(text);
  if (lines.empty()) {
    out << "jobwarden-service is not installed (jobwarden-service install adds it)\n";
    return Installed::kNot;
  }
  for (const ServiceLineValues& line : lines) {
    if (line.task_folder != task_folder)
      continue;
    // The line names the program by its path: moved or removed since,
    // cron fails to start it every minute.
    if (access(line.program.c_str(), X_OK) != 0) {
      out << "jobwarden-service is installed, but cron cannot start it: " << line.program
          << " is missing (jobwarden-service install records this one)\n";
      return Installed::kNot;
    }
    out << "jobwarden-service is installed: cron runs it every minute\n";
    return Installed::kForThisFolder;
  }
  out << "jobwarden-service is installed for another task folder: " << lines.front().task_folder
      << " (jobwarden-service install makes it this one)\n";
  return Installed::kForAnother;
}

std::string NextRunText(const JobFile& job, time_t now, Installed installed) {
  if (job.flags & TASK_FLAG_DISABLED)
    return "disabled";
  if (installed == Installed::kNot || installed == Installed::kForAnother)
    return "will not run: the service is not installed";
  // A run of this minute already happened.
  if (RanInMinuteOf(job, now))
    now = StartOfMinute(now) + 60;
  std::vector<std::string> runs = EventTriggerWords(job);
  if (const std::optional<time_t> next = NextRunTime(job, now))
    runs.insert(runs.begin(), "next run " + TimeText(LocalSystemTime(*next)));
  std::string text = runs.empty() ? "no more runs" : runs.front();
  for (size_t i = 1; i < runs.size(); ++i)
    text += ", " + runs[i];
  if (HasEventTrigger(job, TASK_EVENT_TRIGGER_ON_IDLE))
    text += " (idle triggers are not run on Linux)";
  return text;
}

std::string LastRunText(const JobFile& job) {
  if (job.run_date.wYear == 0)
    return "has not run";
  if (job.status == SCHED_S_TASK_RUNNING)
    return "running since " + TimeText(job.run_date);
  return "last run " + TimeText(job.run_date) + ", " +
         ResultInWords(job.exit_code, Utf8FromWide(job.account_name));
}

// As whom the service would run it, and what.
std::string RunsText(const JobFile& job) {
  const std::string name = Utf8FromWide(job.account_name);
  Account account;
  std::string whom;
  if (!ResolveAccount(name, &account))
    whom = VisibleText(name) + " (no such user)";
  else
    whom = account.name.empty() ? "uid " + std::to_string(account.uid) : VisibleText(account.name);
  const std::string command = CommandText(job);
  const std::string flags = FlagsInWords(job, account.name);
  return "as " + whom + ": " + (command.empty() ? "no program" : VisibleText(command)) +
         (flags.empty() ? "" : " (" + flags + ")");
}

class Report {
 public:
  Report(TaskStore& store, const StatusSources& sources, std::ostream& out)
      : store_(store), sources_(sources), out_(out) {
    if (FAILED(store.FolderKey(&folder_key_)))
      folder_key_.clear();
  }

  // The task's line: tab-separated fields, so that a script can cut them;
  // what comes from the task is visible (visible_text.h), so that it stays
  // one line whatever it holds.
  void Task(const std::wstring& file_name, time_t now, Installed installed) {
    JobFile job;
    std::string refusal;
    const std::string name = Utf8FromWide(file_name);
    out_ << VisibleText(name) << "\t";
    const HRESULT read = store_.Read(file_name, &job, &refusal);
    if (read == TRUST_E_SUBJECT_NOT_TRUSTED) {
      out_ << "refused: " << VisibleText(refusal) << "\t" << LastRunText(job) << "\n";
      return;
    }
    if (read != S_OK) {
      out_ << "not readable as a task\n";
      return;
    }
    out_ << RunsText(job) << "\t" << NextRunText(job, now, installed) << "\t" << LastRunText(job);
    const std::string output = OutputPath(name, job);
    if (!output.empty())
      out_ << "\toutput in " << VisibleText(output);
    out_ << "\n";
  }

  // The log's lines were made visible when written, but a log of an older
  // version may hold raw controls; in the output only a line feed ends a
  // line, and nothing else of it is shown raw.
  void Tails(const std::wstring& file_name) {
    const std::string name = Utf8FromWide(file_name);
    JobFile job;
    const bool readable = store_.Read(file_name, &job) == S_OK;
    if (sources_.run_log) {
      out_ << "Run log:\n";
      for (const std::string& line : sources_.run_log->Tail(kStatusTailLines, name))
        out_ << "  " << VisibleLogLine(line) << "\n";
    }
    if (readable && !OutputPath(name, job).empty()) {
      out_ << "Output:\n";
      for (const std::string& line :
           sources_.outputs->ReadTail(folder_key_, name, AccountOf(job), kStatusTailLines))
        out_ << "  " << VisibleText(line) << "\n";
    }
  }

 private:
  static Account AccountOf(const JobFile& job) {
    Account account;
    ResolveAccount(Utf8FromWide(job.account_name), &account);
    return account;
  }

  // Where the task's output is, when it has any.
  std::string OutputPath(const std::string& name, const JobFile& job) const {
    if (!sources_.outputs || folder_key_.empty())
      return "";
    const std::string path = sources_.outputs->Path(folder_key_, name, AccountOf(job));
    struct stat info = {};
    return lstat(path.c_str(), &info) == 0 ? path : "";
  }

  TaskStore& store_;
  const StatusSources& sources_;
  std::ostream& out_;
  std::string folder_key_;
};

}  // namespace

int StatusCommand(Crontab& crontab, TaskStore& store, const std::string& task_folder, time_t now,
                  const StatusSources& sources, const std::wstring* only, std::ostream& out,
                  std::ostream& err) {
  const Installed installed = InstalledFor(crontab, sources.system, task_folder, out, err);
  if (sources.stamp)
    out << CronStartLine(*sources.stamp, now, installed == Installed::kForThisFolder);
  int status = installed == Installed::kUnknown ? 1 : 0;
  out << "Tasks in " << task_folder << ":\n";
  for (const std::string& note : sources.notes)
    out << note << "\n";
  std::vector<std::wstring> names;
  if (only) {
    std::wstring file_name;
    if (store.Find(*only, &file_name) != S_OK) {
      err << NoTaskNamedMessage(*only) << "\n";
      return 1;
    }
    names.push_back(file_name);
  } else if (FAILED(store.List(&names))) {
    err << kMessagePrefix << "cannot list the task folder\n";
    return 1;
  }
  Report report(store, sources, out);
  for (const std::wstring& name : names)
    report.Task(name, now, installed);
  if (only)
    report.Tails(names.front());
  return status;
}

#include "jobwarden/cli/command_dispatch.h"

#include "jobwarden/scheduler/scheduler_client.h"
#include "jobwarden/support/wide_string.h"

TaskRunParts SplitTaskRun(const std::wstring& value) {
  TaskRunParts parts{value, std::wstring()};
  if (!value.empty() && value[0] == L'"') {
    // A quoted program path may hold blanks. The quotes are not part of the
    // path the scheduler is to start, so both are removed; what follows the
    // closing quote is kept as it stands.
    const std::wstring::size_type closing = value.find(L'"', 1);
    if (closing != std::wstring::npos) {
      parts.program = value.substr(1, closing - 1);
      parts.parameters = value.substr(closing + 1);
    }
    return parts;
  }
  const std::wstring::size_type blank = value.find(L' ');
  if (blank != std::wstring::npos) {
    parts.program = value.substr(0, blank);
    parts.parameters = value.substr(blank);
  }
  return parts;
}

bool FrequencyFromKeyword(std::wstring keyword, TaskFrequency* frequency) {
  FoldAsciiToLower(&keyword);
  static const struct {
    const wchar_t* keyword;
    TaskFrequency frequency;
  } kKeywords[] = {
      {L"hourly", TaskFrequency::Hourly},
      {L"daily", TaskFrequency::Daily},
      {L"weekly", TaskFrequency::Weekly},
      {L"monthly", TaskFrequency::Monthly},
  };
  for (const auto& entry : kKeywords) {
    if (keyword == entry.keyword) {
      *frequency = entry.frequency;
      return true;
    }
  }
  return false;
}

namespace {

void RunCreate(SchedulerClient& client, CommandLineOptions& options, const TaskRunParts& task_run) {
  TaskFrequency frequency;
  if (!FrequencyFromKeyword(options.GetValue(OptionId::ScheduleFrequency), &frequency))
    throw CommandLineOptionsInvalidSyntax();
  const std::wstring task_name = options.GetValue(OptionId::TaskName);
  const std::wstring user = options.GetValue(OptionId::RunUser);
  // A copy of its own, writable, because CreateTask wipes the password once
  // the account is set. Wiped here too, so that no copy of it outlives the
  // call even when the account could not be set.
  std::wstring password = options.GetValue(OptionId::RunPassword);
  // This copy is the only one needed from here on: the table's goes now,
  // before CreateTask stores anything.
  options.WipeValue(OptionId::RunPassword);
  struct WipeOnExit {
    std::wstring& secret;
    ~WipeOnExit() { SecureZeroString(&secret); }
  } wipe{password};
  client.CreateTask(task_name.c_str(), task_run.program.c_str(), task_run.parameters.c_str(),
                    user.c_str(), &password[0], frequency);
}

}  // namespace

void DispatchCommand(CommandLineOptions& options, const TaskRunParts& task_run) {
  SchedulerClient client;
  if (options.IsPresent(OptionId::Create))
    RunCreate(client, options, task_run);
  if (options.IsPresent(OptionId::Delete))
    client.DeleteTask(options.GetValue(OptionId::TaskName).c_str());
  if (options.IsPresent(OptionId::Query))
    client.QueryTasks();
}

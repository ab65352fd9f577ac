#include "jobwarden/cli/command_line_options.h"

#include <utility>

#include "jobwarden/support/console_writer.h"
#include "jobwarden/support/wide_string.h"

bool IsSwitchCharacter(wchar_t unit) { return unit == L'/' || unit == L'-'; }

CommandLineOption::CommandLineOption(std::wstring switch_text, OptionId id, bool takes_value,
                                     std::wstring description)
    : SwitchText(std::move(switch_text)),
      Id(id),
      TakesValue(takes_value),
      Description(std::move(description)) {}

CommandLineOptions::~CommandLineOptions() {
  for (CommandLineOption& option : options_)
    SecureZeroString(&option.Value);
}

void CommandLineOptions::AddOption(std::wstring switch_text, OptionId id, bool takes_value,
                                   std::wstring description) {
  options_.emplace_back(std::move(switch_text), id, takes_value, std::move(description));
}

void CommandLineOptions::Parse(int argc, wchar_t** argv) {
  if (argc <= 1)
    throw CommandLineOptionsInvalidSyntax();

  std::wstring folded;
  int i = 1;
  while (i < argc) {
    wchar_t* argument = argv[i];
    if (!IsSwitchCharacter(argument[0]))
      throw CommandLineOptionsInvalidSyntax();
    argument[0] = L'/';
    folded = argument;
    FoldAsciiToLower(&folded);
    if (!MatchSwitch(folded, argc, argv, &i))
      throw CommandLineOptionsInvalidSyntax();
    ++i;
  }
}

// Walks the rows in order and marks each one whose switch equals the folded
// argument; the first such row that takes a value consumes the next argument
// and ends the walk. Only tables built by hand can have two rows with one
// switch, but the walk stays well defined for them.
bool CommandLineOptions::MatchSwitch(const std::wstring& folded_argument, int argc, wchar_t** argv,
                                     int* position) {
  bool matched = false;
  for (CommandLineOption& option : options_) {
    if (option.SwitchText != folded_argument)
      continue;
    option.Present = true;
    matched = true;
    if (!option.TakesValue)
      continue;
    ++*position;
    if (*position >= argc || IsSwitchCharacter(argv[*position][0]))
      throw CommandLineOptionsInvalidSyntax();
    // A switch given twice: the first value must not linger in a freed
    // buffer (it may be a password).
    SecureZeroString(&option.Value);
    option.Value = argv[*position];
    break;
  }
  return matched;
}

const CommandLineOption* CommandLineOptions::FindId(OptionId id) const {
  for (const CommandLineOption& option : options_) {
    if (option.Id == id)
      return &option;
  }
  return nullptr;
}

bool CommandLineOptions::IsPresent(OptionId id) const {
  const CommandLineOption* option = FindId(id);
  return option && option->Present;
}

std::wstring CommandLineOptions::GetValue(OptionId id) const {
  const CommandLineOption* option = FindId(id);
  return option ? option->Value : std::wstring();
}

void CommandLineOptions::WipeValue(OptionId id) {
  for (CommandLineOption& option : options_) {
    if (option.Id == id)
      SecureZeroString(&option.Value);
  }
}

void CommandLineOptions::PrintHelp() const {
  for (const CommandLineOption& option : options_)
    WriteConsoleText(L"\n" + option.SwitchText + L"\t" + option.Description);
}

void AddJobwardenOptions(CommandLineOptions* options) {
  options->AddOption(L"/create", OptionId::Create, false, L"Creates a new scheduled task.");
  options->AddOption(L"/sc", OptionId::ScheduleFrequency, true,
                     L"Specifies the schedule frequency. Valid values: HOURLY, DAILY, WEEKLY, "
                     L"MONTHLY.");
  options->AddOption(L"/ru", OptionId::RunUser, true,
                     L"Specifies the user context under which the command should execute.");
  options->AddOption(L"/rp", OptionId::RunPassword, true,
                     L"Specifies the password for the given user context.");
  options->AddOption(L"/tn", OptionId::TaskName, true,
                     L"Specifies a name which uniquely identifies this scheduled task.");
  options->AddOption(L"/tr", OptionId::TaskRun, true,
                     L"Specifies the path and file name of the program to be run by this "
                     L"scheduled task.");
  options->AddOption(L"/query", OptionId::Query, false, L"Dislplays all scheduled tasks.");
  options->AddOption(L"/delete", OptionId::Delete, false, L"Deletes the scheduled task.");
}

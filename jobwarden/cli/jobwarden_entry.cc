#include "jobwarden/cli/jobwarden_entry.h"

#include <exception>
#include <new>

#include "jobwarden/cli/command_dispatch.h"
#include "jobwarden/scheduler/jobwarden_exception.h"
#include "jobwarden/support/console_writer.h"
#include "jobwarden/support/wide_string.h"

namespace {

// The system account needs no password; any other account does, whichever
// command it comes with.
bool NamedAccountLacksPassword(const CommandLineOptions& options) {
  if (!options.IsPresent(OptionId::RunUser) || options.IsPresent(OptionId::RunPassword))
    return false;
  std::wstring account = options.GetValue(OptionId::RunUser);
  FoldAsciiToLower(&account);
  return account != L"system";
}

bool BothPresent(const CommandLineOptions& options, OptionId first, OptionId second) {
  return options.IsPresent(first) && options.IsPresent(second);
}

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

int ReportInvalidSyntax(const CommandLineOptions& options) {
  WriteConsoleText(L"\nInvalid syntax");
  options.PrintHelp();
  return kFailure;
}

// "/?", "-h", "/help", even "/hourly": only the first two characters of the
// first argument decide.
bool IsHelpRequest(const wchar_t* argument) {
  return IsSwitchCharacter(argument[0]) &&
         (AsciiLowered(argument[1]) == L'h' || argument[1] == L'?');
}

int RunCommandLine(int argc, wchar_t** argv) {
  CommandLineOptions options;
  AddJobwardenOptions(&options);

  try {
    if (argc <= 1)
      throw CommandLineOptionsInvalidSyntax();
    if (IsHelpRequest(argv[1])) {
      WipePasswordArguments(argc, argv);
      options.PrintHelp();
      return kFailure;
    }
    options.Parse(argc, argv);
  } catch (const CommandLineOptionsInvalidSyntax&) {
    WipePasswordArguments(argc, argv);
    return ReportInvalidSyntax(options);
  }
  // The table holds the password now; the argument is no longer needed.
  WipePasswordArguments(argc, argv);

  switch (ValidateOptions(options)) {
    case ValidationResult::PasswordMissing:
      WriteConsoleText(L"\nPlease specify user account password");
      return kFailure;
    case ValidationResult::InvalidSyntax:
      return ReportInvalidSyntax(options);
    case ValidationResult::Accepted:
      break;
  }

  const TaskRunParts task_run = SplitTaskRun(options.GetValue(OptionId::TaskRun));
  try {
    DispatchCommand(options, task_run);
  } catch (const CommandLineOptionsInvalidSyntax&) {
    return ReportInvalidSyntax(options);
  } catch (JobwardenException error) {
    WriteConsoleText(L"\n" + error.Message);
    return kFailure;
  }
  return kSuccess;
}

}  // namespace

ValidationResult ValidateOptions(const CommandLineOptions& options) {
  if (NamedAccountLacksPassword(options))
    return ValidationResult::PasswordMissing;
  if (options.IsPresent(OptionId::Delete) && !options.IsPresent(OptionId::TaskName))
    return ValidationResult::InvalidSyntax;
  if (BothPresent(options, OptionId::Create, OptionId::Query) ||
      BothPresent(options, OptionId::Create, OptionId::Delete) ||
      BothPresent(options, OptionId::Query, OptionId::Delete))
    return ValidationResult::InvalidSyntax;
  return ValidationResult::Accepted;
}

bool IsPasswordSwitch(const wchar_t* argument) {
  return IsSwitchCharacter(argument[0]) && AsciiLowered(argument[1]) == L'r' &&
         AsciiLowered(argument[2]) == L'p' && argument[3] == L'\0';
}

void WipePasswordArguments(int argc, wchar_t** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (IsPasswordSwitch(argv[i]))
      SecureZeroWideString(argv[i + 1]);
  }
}

int RunJobwarden(int argc, wchar_t** argv) {
  // Running out of memory while strings are copied is the one failure left
  // that the steps above do not report; it still ends with a message and
  // status 1 rather than an abort.
  try {
    return RunCommandLine(argc, argv);
  } catch (const std::bad_alloc&) {
    WriteConsoleText(L"\nNot enough memory.");
  } catch (const std::exception&) {
    WriteConsoleText(L"\nUnexpected error.");
  }
  return kFailure;
}

#include "jobwarden/cli/jobwarden_entry.h"

#include <exception>
#include <new>

#include "jobwarden/cli/command_dispatch.h"
#include "jobwarden/cli/command_line_options.h"
#include "jobwarden/cli/option_table.h"
#include "jobwarden/cli/password_arguments.h"
#include "jobwarden/cli/validation.h"
#include "jobwarden/console/console_writer.h"
#include "jobwarden/scheduler/jobwarden_exception.h"

namespace {

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
  if (argument[0] != L'/' && argument[0] != L'-')
    return false;
  return argument[1] == L'h' || argument[1] == L'H' || argument[1] == L'?';
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

// Carries out the one command of a validated command line inside a
// scheduler client. Prints no message (only "/query" its listing) and
// catches nothing: failures leave as CommandLineOptionsInvalidSyntax (bad
// "/sc" keyword) or JobwardenException.
#ifndef JOBWARDEN_CLI_COMMAND_DISPATCH_H_
#define JOBWARDEN_CLI_COMMAND_DISPATCH_H_

#include <string>

#include "jobwarden/cli/command_line_options.h"
#include "jobwarden/scheduler/task_frequency.h"

struct TaskRunParts {
  std::wstring program;
  std::wstring parameters;
};

// Splits the "/tr" value into the program path and its parameters.
TaskRunParts SplitTaskRun(const std::wstring& value);

// Matches a "/sc" keyword in any letter case; false when it names no
// frequency.
bool FrequencyFromKeyword(std::wstring keyword, TaskFrequency* frequency);

// Wipes the table's "/rp" value once it has taken its copy for CreateTask.
void DispatchCommand(CommandLineOptions& options, const TaskRunParts& task_run);

#endif  // JOBWARDEN_CLI_COMMAND_DISPATCH_H_

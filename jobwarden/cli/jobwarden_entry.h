// Jobwarden from argument vector to exit status: help requests, parsing,
// validation, dispatch, and every error turned into console output.
// `argv` must hold `argc` writable, NUL-terminated strings; the parser
// overwrites the first character of each switch.
#ifndef JOBWARDEN_CLI_JOBWARDEN_ENTRY_H_
#define JOBWARDEN_CLI_JOBWARDEN_ENTRY_H_

#include "jobwarden/cli/command_line_options.h"

int RunJobwarden(int argc, wchar_t** argv);

// The rules on which options may go together, applied after parsing and
// before anything is dispatched.
enum class ValidationResult {
  Accepted,
  PasswordMissing,  // a named account without "/rp"
  InvalidSyntax,    // "/delete" without "/tn", or two commands at once
};

ValidationResult ValidateOptions(const CommandLineOptions& options);

// The "/rp" value stays in the argument vector until someone overwrites it;
// once Parse has copied it into the option table, that copy is no longer
// needed.
//
// "/rp" or "-rp", in any case.
bool IsPasswordSwitch(const wchar_t* argument);

// Zeroes every argument that follows a "/rp" (or "-rp", in any case).
// Values never begin with "/" or "-", so after a parse, successful or not,
// such an argument is the switch and the next one its value.
void WipePasswordArguments(int argc, wchar_t** argv);

#endif  // JOBWARDEN_CLI_JOBWARDEN_ENTRY_H_

// The rules on which options may go together, applied after parsing and
// before anything is dispatched.
#ifndef JOBWARDEN_CLI_VALIDATION_H_
#define JOBWARDEN_CLI_VALIDATION_H_

#include "jobwarden/cli/command_line_options.h"

enum class ValidationResult {
  Accepted,
  PasswordMissing,  // a named account without "/rp"
  InvalidSyntax,    // "/delete" without "/tn", or two commands at once
};

ValidationResult ValidateOptions(const CommandLineOptions& options);

#endif  // JOBWARDEN_CLI_VALIDATION_H_

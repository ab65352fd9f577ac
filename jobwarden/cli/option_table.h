// The eight rows of Jobwarden's option table, in the order of the help
// listing.
#ifndef JOBWARDEN_CLI_OPTION_TABLE_H_
#define JOBWARDEN_CLI_OPTION_TABLE_H_

#include "jobwarden/cli/command_line_options.h"

void AddJobwardenOptions(CommandLineOptions* options);

#endif  // JOBWARDEN_CLI_OPTION_TABLE_H_

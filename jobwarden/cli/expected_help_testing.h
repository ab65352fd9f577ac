// For tests: the help listing, written out by hand rather than taken from
// the option table it checks.
#ifndef JOBWARDEN_CLI_EXPECTED_HELP_TESTING_H_
#define JOBWARDEN_CLI_EXPECTED_HELP_TESTING_H_

#include <string>

const std::wstring kExpectedHelp =
    L"\n/create\tCreates a new scheduled task."
    L"\n/sc\tSpecifies the schedule frequency. Valid values: HOURLY, DAILY, WEEKLY, MONTHLY."
    L"\n/ru\tSpecifies the user context under which the command should execute."
    L"\n/rp\tSpecifies the password for the given user context."
    L"\n/tn\tSpecifies a name which uniquely identifies this scheduled task."
    L"\n/tr\tSpecifies the path and file name of the program to be run by this scheduled task."
    L"\n/query\tDislplays all scheduled tasks."
    L"\n/delete\tDeletes the scheduled task.";

#endif  // JOBWARDEN_CLI_EXPECTED_HELP_TESTING_H_

#include "jobwarden/cli/option_table.h"

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

// The Windows start-up code splits the command line into wide arguments.
#include "jobwarden/cli/jobwarden_entry.h"

int wmain(int argc, wchar_t** argv) { return RunJobwarden(argc, argv); }

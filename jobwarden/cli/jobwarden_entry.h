// Jobwarden from argument vector to exit status: help requests, parsing,
// validation, dispatch, and every error turned into console output.
// `argv` must hold `argc` writable, NUL-terminated strings; the parser
// overwrites the first character of each switch.
#ifndef JOBWARDEN_CLI_JOBWARDEN_ENTRY_H_
#define JOBWARDEN_CLI_JOBWARDEN_ENTRY_H_

int RunJobwarden(int argc, wchar_t** argv);

#endif  // JOBWARDEN_CLI_JOBWARDEN_ENTRY_H_

// The "/rp" value stays in the argument vector until someone overwrites it;
// once Parse has copied it into the option table, that copy is no longer
// needed.
#ifndef JOBWARDEN_CLI_PASSWORD_ARGUMENTS_H_
#define JOBWARDEN_CLI_PASSWORD_ARGUMENTS_H_

// "/rp" or "-rp", in any case.
bool IsPasswordSwitch(const wchar_t* argument);

// Zeroes every argument that follows a "/rp" (or "-rp", in any case).
// Values never begin with "/" or "-", so after a parse, successful or not,
// such an argument is the switch and the next one its value.
void WipePasswordArguments(int argc, wchar_t** argv);

#endif  // JOBWARDEN_CLI_PASSWORD_ARGUMENTS_H_

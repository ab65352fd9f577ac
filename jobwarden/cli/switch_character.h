// A switch begins with "/" or, in its place, "-"; a value never begins with
// either, so that one character tells a switch from a value.
#ifndef JOBWARDEN_CLI_SWITCH_CHARACTER_H_
#define JOBWARDEN_CLI_SWITCH_CHARACTER_H_

bool IsSwitchCharacter(wchar_t unit);

#endif  // JOBWARDEN_CLI_SWITCH_CHARACTER_H_

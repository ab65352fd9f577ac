#include "jobwarden/cli/password_arguments.h"

#include "jobwarden/cli/switch_character.h"
#include "jobwarden/memory/secure_zero.h"
#include "jobwarden/text/ascii_fold.h"

bool IsPasswordSwitch(const wchar_t* argument) {
  return IsSwitchCharacter(argument[0]) && AsciiLowered(argument[1]) == L'r' &&
         AsciiLowered(argument[2]) == L'p' && argument[3] == L'\0';
}

void WipePasswordArguments(int argc, wchar_t** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (IsPasswordSwitch(argv[i]))
      SecureZeroWideString(argv[i + 1]);
  }
}

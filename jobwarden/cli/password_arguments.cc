#include "jobwarden/cli/password_arguments.h"

#include "jobwarden/scheduler/secure_zero.h"

namespace {

bool IsPasswordSwitch(const wchar_t* argument) {
  return (argument[0] == L'/' || argument[0] == L'-') &&
         (argument[1] == L'r' || argument[1] == L'R') &&
         (argument[2] == L'p' || argument[2] == L'P') && argument[3] == L'\0';
}

}  // namespace

void WipePasswordArguments(int argc, wchar_t** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (IsPasswordSwitch(argv[i]))
      SecureZeroWideString(argv[i + 1]);
  }
}

#include "jobwarden/scheduler/secure_zero.h"

#include <cwchar>

void SecureZeroWideString(wchar_t* text) {
  if (text)
    SecureZero(text, std::wcslen(text) * sizeof(wchar_t));
}

#include "jobwarden/memory/secure_zero.h"

#include <cwchar>

void SecureZeroWideString(wchar_t* text) {
  if (text)
    SecureZero(text, std::wcslen(text) * sizeof(wchar_t));
}

void SecureZeroString(std::string* text) { SecureZero(&(*text)[0], text->size()); }

void SecureZeroString(std::wstring* text) {
  SecureZero(&(*text)[0], text->size() * sizeof(wchar_t));
}

#include "jobwarden/support/wide_string.h"

#include <cwchar>

wchar_t AsciiLowered(wchar_t unit) {
  return (unit >= L'A' && unit <= L'Z') ? static_cast<wchar_t>(unit + (L'a' - L'A')) : unit;
}

void FoldAsciiToLower(std::wstring* text) {
  for (wchar_t& unit : *text)
    unit = AsciiLowered(unit);
}

std::wstring AsciiLowered(std::wstring text) {
  FoldAsciiToLower(&text);
  return text;
}

void SecureZeroWideString(wchar_t* text) {
  if (text)
    SecureZero(text, std::wcslen(text) * sizeof(wchar_t));
}

void SecureZeroString(std::string* text) { SecureZero(&(*text)[0], text->size()); }

void SecureZeroString(std::wstring* text) {
  SecureZero(&(*text)[0], text->size() * sizeof(wchar_t));
}

#include "jobwarden/text/ascii_fold.h"

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

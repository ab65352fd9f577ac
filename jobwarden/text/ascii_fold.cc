#include "jobwarden/text/ascii_fold.h"

void FoldAsciiToLower(std::wstring* text) {
  for (wchar_t& unit : *text) {
    if (unit >= L'A' && unit <= L'Z')
      unit = static_cast<wchar_t>(unit + 0x20);
  }
}

std::wstring AsciiLowered(std::wstring text) {
  FoldAsciiToLower(&text);
  return text;
}

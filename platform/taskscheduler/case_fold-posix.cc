#include "platform/taskscheduler/case_fold.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstring>

#include "platform/posix/wide_text.h"

namespace {

// A locale object of our own: the program never calls setlocale, and the
// "C" locale it runs in maps only A-Z.
locale_t FoldingLocale() {
  static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

wchar_t FoldCharacter(wchar_t c, locale_t locale) {
  // ASCII without a call into the C library: every locale maps a-z only.
  if (c < 0x80)
    return AsciiUpper(c);
  if (locale != static_cast<locale_t>(0))
    return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), locale));
  return AsciiUpper(c);
}

// FoldCase's own answers for the ASCII characters, so that comparing an
// ASCII name needs neither a conversion nor a call per character.
const std::wstring& FoldedAscii() {
  static const std::wstring folded = [] {
    std::wstring ascii;
    for (wchar_t c = 0; c < 0x80; ++c)
      ascii += c;
    return FoldCase(ascii);
  }();
  return folded;
}

}  // namespace

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - (L'a' - L'A') : c; }

std::wstring FoldCase(const std::wstring& text) {
  locale_t locale = FoldingLocale();
  std::wstring folded = text;
  for (wchar_t& c : folded)
    c = FoldCharacter(c, locale);
  return folded;
}

// Every /create compares each name in the folder so, and nearly all
// differ within their first bytes: the comparison stops at the first ASCII
// byte that differs. Up to a byte beyond ASCII, byte i is wide character i
// of WideFromUtf8(name), so only a name with such a byte before any
// difference is converted and folded whole, and only when its length
// allows a match: each character takes one to four bytes.
bool FoldsTo(const char* name, const std::wstring& folded) {
  const std::wstring& folded_ascii = FoldedAscii();
  size_t i = 0;
  for (; name[i] != '\0'; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c >= 0x80) {
      const size_t remaining_bytes = std::strlen(name + i);
      const size_t remaining_characters = folded.size() - std::min(i, folded.size());
      if (remaining_bytes < remaining_characters || remaining_bytes > 4 * remaining_characters)
        return false;
      return FoldCase(WideFromUtf8(name)) == folded;
    }
    if (i == folded.size() || folded_ascii[c] != folded[i])
      return false;
  }
  return i == folded.size();
}

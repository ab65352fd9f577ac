#include "case_fold.h"

#include <locale.h>
#include <wctype.h>

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
    return c >= L'a' && c <= L'z' ? c - (L'a' - L'A') : c;
  if (locale != static_cast<locale_t>(0))
    return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), locale));
  return c >= L'a' && c <= L'z' ? c - (L'a' - L'A') : c;
}

}  // namespace

std::wstring FoldCase(const std::wstring& text) {
  locale_t locale = FoldingLocale();
  std::wstring folded = text;
  for (wchar_t& c : folded)
    c = FoldCharacter(c, locale);
  return folded;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

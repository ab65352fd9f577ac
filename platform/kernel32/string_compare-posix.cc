// lstrcmpiA for hosts that are not Windows.

#include <windows.h>

namespace {

unsigned char AsciiLower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

}  // namespace

// Folds only "A" to "Z"; bytes outside ASCII compare by their value, since
// this host has no Windows code page to collate them by.
int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
  if (lpString1 == nullptr || lpString2 == nullptr) {
    if (lpString1 == lpString2)
      return 0;
    return lpString1 == nullptr ? -1 : 1;
  }
  const unsigned char* a = reinterpret_cast<const unsigned char*>(lpString1);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(lpString2);
  for (;; ++a, ++b) {
    unsigned char fa = AsciiLower(*a);
    unsigned char fb = AsciiLower(*b);
    if (fa != fb)
      return fa < fb ? -1 : 1;
    if (fa == '\0')
      return 0;
  }
}

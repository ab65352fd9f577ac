// What Jobwarden does to the wide strings of its command line beyond what
// the standard library offers: folding case where it ignores case, and
// wiping the password once it is no longer needed.
#ifndef JOBWARDEN_SUPPORT_WIDE_STRING_H_
#define JOBWARDEN_SUPPORT_WIDE_STRING_H_

#include <cstddef>
#include <string>

// Jobwarden never sets a locale, so wherever it ignores case (switches, the
// account name, the schedule keyword) it folds exactly the 26 ASCII capitals
// and leaves every other character alone.

// "A" to "Z" lowered; every other unit as it is.
wchar_t AsciiLowered(wchar_t unit);

void FoldAsciiToLower(std::wstring* text);
std::wstring AsciiLowered(std::wstring text);

// Overwrites a secret in a way the compiler may not optimise away, even
// when the memory is never read again; one implementation per host.
void SecureZero(void* memory, size_t size);

// Zeroes every character of a NUL-terminated wide string, keeping its
// buffer; a null pointer is left alone.
void SecureZeroWideString(wchar_t* text);

// Zeroes the characters a string holds, keeping its length.
void SecureZeroString(std::string* text);
void SecureZeroString(std::wstring* text);

#endif  // JOBWARDEN_SUPPORT_WIDE_STRING_H_

// Jobwarden never sets a locale, so wherever it ignores case (switches, the
// account name, the schedule keyword) it folds exactly the 26 ASCII capitals
// and leaves every other character alone.
#ifndef JOBWARDEN_TEXT_ASCII_FOLD_H_
#define JOBWARDEN_TEXT_ASCII_FOLD_H_

#include <string>

// "A" to "Z" lowered; every other unit as it is.
wchar_t AsciiLowered(wchar_t unit);

void FoldAsciiToLower(std::wstring* text);
std::wstring AsciiLowered(std::wstring text);

#endif  // JOBWARDEN_TEXT_ASCII_FOLD_H_

// Overwrites a secret in a way the compiler may not optimise away, even
// when the memory is never read again.
#ifndef JOBWARDEN_MEMORY_SECURE_ZERO_H_
#define JOBWARDEN_MEMORY_SECURE_ZERO_H_

#include <cstddef>
#include <string>

void SecureZero(void* memory, size_t size);

// Zeroes every character of a NUL-terminated wide string, keeping its
// buffer; a null pointer is left alone.
void SecureZeroWideString(wchar_t* text);

// Zeroes the characters a string holds, keeping its length.
void SecureZeroString(std::string* text);
void SecureZeroString(std::wstring* text);

#endif  // JOBWARDEN_MEMORY_SECURE_ZERO_H_

// Conversion between the UTF-8 bytes of a POSIX host (arguments, console,
// file names) and the wide strings every text of our programs is held in.
//
// The conversion is lossless in both directions: a byte that is not part of
// valid UTF-8 becomes the lone code point U+DC80..U+DCFF (the "surrogate
// escape" convention) and is turned back into the same byte on the way out.
// So an argument that is not valid UTF-8 is neither refused nor truncated,
// and reaches the console byte-exact.
#ifndef PLATFORM_POSIX_WIDE_TEXT_H_
#define PLATFORM_POSIX_WIDE_TEXT_H_

#include <stddef.h>

#include <string>
#include <string_view>

std::wstring WideFromUtf8(const std::string& bytes);
std::string Utf8FromWide(const std::wstring& text);

// The length of the valid UTF-8 character that `bytes` begins with, or 0
// when it begins with none (overlong forms, surrogates and values above
// U+10FFFF are not valid).
size_t Utf8CharacterLength(std::string_view bytes);

// UTF-16 code units of a wide string (for formats that store UTF-16, such
// as .job files), and back. Lone surrogates pass through unchanged.
std::u16string Utf16FromWide(const std::wstring& text);
std::wstring WideFromUtf16(const std::u16string& units);

#endif  // PLATFORM_POSIX_WIDE_TEXT_H_

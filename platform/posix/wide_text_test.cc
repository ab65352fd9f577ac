#include "platform/posix/wide_text.h"

#include <gtest/gtest.h>

TEST(WideText, ValidUtf8RoundTripsThroughWideText) {
  const std::string samples[] = {
      "", "Backup", "Резервная копия", "備份任務", "emoji \xF0\x9F\x98\x80 end", "tab\there"};
  for (const std::string& sample : samples)
    EXPECT_EQ(Utf8FromWide(WideFromUtf8(sample)), sample);
  EXPECT_EQ(WideFromUtf8("\xD0\x96"), std::wstring(1, L'\x0416'));
  EXPECT_EQ(WideFromUtf8("\xF0\x9F\x98\x80"), std::wstring(1, static_cast<wchar_t>(0x1F600)));
}

TEST(WideText, InvalidBytesAreKeptNotDroppedOrTruncated) {
  // A lone continuation byte, a truncated sequence, an overlong form, an
  // encoded surrogate, a byte that never starts UTF-8, and a NUL-free tail
  // after them: every byte must come back.
  const std::string samples[] = {"a\x80z",       "\xE2\x82",      "\xC0\xAF",
                                 "\xED\xA0\x80", "\xFF\xFE tail", std::string("x\xC3", 2)};
  for (const std::string& sample : samples) {
    const std::wstring wide = WideFromUtf8(sample);
    EXPECT_EQ(Utf8FromWide(wide), sample);
  }
  EXPECT_EQ(WideFromUtf8("a\x80z"), (std::wstring{L'a', static_cast<wchar_t>(0xDC80), L'z'}));
}

TEST(WideText, Utf16RoundTripSplitsAndJoinsSurrogatePairs) {
  const std::wstring text{L'A', static_cast<wchar_t>(0x1F600), static_cast<wchar_t>(0x416)};
  const std::u16string units = Utf16FromWide(text);
  EXPECT_EQ(units, (std::u16string{u'A', 0xD83D, 0xDE00, 0x0416}));
  EXPECT_EQ(WideFromUtf16(units), text);
  // A lone surrogate (an escaped invalid byte) survives both ways.
  const std::wstring escaped{static_cast<wchar_t>(0xDCFF)};
  EXPECT_EQ(WideFromUtf16(Utf16FromWide(escaped)), escaped);
}

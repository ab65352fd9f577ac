#include "platform/posix/wide_text.h"

namespace {

constexpr char32_t kEscapeBase = 0xDC00;  // invalid byte b becomes U+DC00 + b (b >= 0x80)

constexpr char32_t kMaxCodePoint = 0x10FFFF;
// Code points from here on take a surrogate pair in UTF-16: a high
// surrogate with the top ten bits of (value - kFirstPaired), a low one with
// the bottom ten.
constexpr char32_t kFirstPaired = 0x10000;
constexpr char32_t kHighSurrogateBase = 0xD800;
constexpr char32_t kLowSurrogateBase = 0xDC00;

bool IsHighSurrogate(char32_t value) {
  return value >= kHighSurrogateBase && value < kLowSurrogateBase;
}
bool IsLowSurrogate(char32_t value) { return value >= kLowSurrogateBase && value <= 0xDFFF; }
bool IsSurrogate(char32_t value) { return IsHighSurrogate(value) || IsLowSurrogate(value); }

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence that `bytes` begins with and its code
// point, or 0 when it does not begin with valid UTF-8 (overlong forms,
// surrogates and values above U+10FFFF included).
size_t DecodeOne(std::string_view bytes, char32_t* code_point) {
  if (bytes.empty())
    return 0;
  const unsigned char lead = static_cast<unsigned char>(bytes[0]);
  size_t length;
  char32_t value;
  char32_t minimum;
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() < length)
    return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(bytes[k]);
    if (!IsContinuation(next))
      return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > kMaxCodePoint || IsSurrogate(value))
    return 0;
  *code_point = value;
  return length;
}

void AppendUtf8(char32_t value, std::string* out) {
  if (value < 0x80) {
    out->push_back(static_cast<char>(value));
  } else if (value < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (value >> 6)));
    out->push_back(static_cast<char>(0x80 | (value & 0x3F)));
  } else if (value < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (value >> 12)));
    out->push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (value & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (value >> 18)));
    out->push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (value & 0x3F)));
  }
}

}  // namespace

size_t Utf8CharacterLength(std::string_view bytes) {
  char32_t ignored;
  return DecodeOne(bytes, &ignored);
}

std::wstring WideFromUtf8(const std::string& bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t code_point;
    const size_t length = DecodeOne(std::string_view(bytes).substr(i), &code_point);
    if (length == 0) {
      text.push_back(static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      text.push_back(static_cast<wchar_t>(code_point));
      i += length;
    }
  }
  return text;
}

std::string Utf8FromWide(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t unit : text) {
    const char32_t value = static_cast<char32_t>(unit);
    if (value >= kEscapeBase + 0x80 && value <= kEscapeBase + 0xFF) {
      bytes.push_back(static_cast<char>(value - kEscapeBase));
    } else if (IsSurrogate(value) || value > kMaxCodePoint) {
      AppendUtf8(0xFFFD, &bytes);  // not representable; never produced by WideFromUtf8
    } else {
      AppendUtf8(value, &bytes);
    }
  }
  return bytes;
}

std::u16string Utf16FromWide(const std::wstring& text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t unit : text) {
    const char32_t value = static_cast<char32_t>(unit);
    if (value >= kFirstPaired && value <= kMaxCodePoint) {
      const char32_t offset = value - kFirstPaired;
      units.push_back(static_cast<char16_t>(kHighSurrogateBase + (offset >> 10)));
      units.push_back(static_cast<char16_t>(kLowSurrogateBase + (offset & 0x3FF)));
    } else if (value > kMaxCodePoint) {
      units.push_back(u'\uFFFD');
    } else {
      units.push_back(static_cast<char16_t>(value));
    }
  }
  return units;
}

std::wstring WideFromUtf16(const std::u16string& units) {
  std::wstring text;
  text.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      const char32_t value =
          kFirstPaired + ((unit - kHighSurrogateBase) << 10) + (units[i + 1] - kLowSurrogateBase);
      text.push_back(static_cast<wchar_t>(value));
      ++i;
    } else {
      text.push_back(static_cast<wchar_t>(unit));
    }
  }
  return text;
}

#include "service/visible_text.h"

#include <algorithm>

namespace {

bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xbf; }

// The length of the valid UTF-8 character that begins `text` with a byte
// of 0x80 or above; 0 when none does. The first continuation byte's range
// is what rules out overlongs, surrogates and code points above U+10FFFF.
size_t MultibyteLength(std::string_view text) {
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0)
      low = 0xa0;
    else if (lead == 0xed)
      high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0)
      low = 0x90;
    else if (lead == 0xf4)
      high = 0x8f;
  } else {
    return 0;
  }
  if (text.size() < length)
    return 0;
  const unsigned char second = static_cast<unsigned char>(text[1]);
  if (second < low || second > high)
    return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[i])))
      return 0;
  }
  return length;
}

void AppendEscape(unsigned char c, std::string* out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  *out += "\\x";
  *out += kDigits[c >> 4];
  *out += kDigits[c & 0xf];
}

// `log_line`: VisibleLogLine's exceptions, its first tab and backslashes.
std::string Visible(std::string_view text, bool log_line) {
  std::string out;
  out.reserve(text.size());
  bool tab_kept = !log_line;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\t' && !tab_kept) {
      tab_kept = true;
      out += '\t';
      ++i;
    } else if (c < 0x20 || c == 0x7f) {
      AppendEscape(c, &out);
      ++i;
    } else if (c == '\\') {
      out += log_line ? "\\" : "\\\\";
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if (const size_t length = MultibyteLength(text.substr(i)); length == 0) {
      AppendEscape(c, &out);
      ++i;
    } else if (c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
      AppendEscape(c, &out);
      AppendEscape(static_cast<unsigned char>(text[i + 1]), &out);
      i += 2;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// How many bytes the escape, character or byte at the start of `visible`
// takes.
size_t UnitLength(std::string_view visible) {
  if (visible[0] == '\\' && visible.size() >= 2 && visible[1] == '\\')
    return 2;
  if (visible[0] == '\\' && visible.size() >= 4 && visible[1] == 'x' && IsHexDigit(visible[2]) &&
      IsHexDigit(visible[3]))
    return 4;
  if (static_cast<unsigned char>(visible[0]) >= 0x80)
    return std::max<size_t>(1, MultibyteLength(visible));
  return 1;
}

}  // namespace

std::string VisibleText(std::string_view text) { return Visible(text, false); }

std::string VisibleLogLine(std::string_view line) { return Visible(line, true); }

size_t VisibleCut(std::string_view visible, size_t most) {
  size_t end = 0;
  while (end < visible.size()) {
    const size_t next = end + UnitLength(visible.substr(end));
    if (next > most)
      break;
    end = next;
  }
  return end;
}

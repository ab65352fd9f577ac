#include "service/visible_text.h"

#include <algorithm>

#include "platform/posix/wide_text.h"

namespace {

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
    } else if (const size_t length = Utf8CharacterLength(text.substr(i)); length == 0) {
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
    return std::max<size_t>(1, Utf8CharacterLength(visible));
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

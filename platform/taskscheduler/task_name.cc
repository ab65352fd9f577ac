#include "platform/taskscheduler/task_name.h"

#include <algorithm>

#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/case_fold.h"

namespace {

const wchar_t kJobExtension[] = L".job";

// Control characters (C0 and C1) and the Unicode line and paragraph
// separators would reach a terminal raw in a listing: a line that is no
// task, or an escape sequence.
bool IsControlCharacter(wchar_t c) {
  return c < 0x20 || (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

bool IsForbiddenCharacter(wchar_t c) {
  if (IsControlCharacter(c))
    return true;
  switch (c) {
    case L'\\':
    case L'/':
    case L':':
    case L'*':
    case L'?':
    case L'"':
    case L'<':
    case L'>':
    case L'|':
      return true;
    default:
      return false;
  }
}

bool EqualsAsciiIgnoringCase(const std::wstring& text, const wchar_t* word) {
  size_t i = 0;
  for (; word[i] != 0; ++i) {
    if (i >= text.size() || AsciiUpper(text[i]) != word[i])
      return false;
  }
  return i == text.size();
}

// Win32 opens these devices whatever extension follows the first dot, so
// "CON.job" could never hold a task there.
bool IsDosDeviceName(const std::wstring& name) {
  const size_t base_length = std::min(name.find(L'.'), name.size());
  if (base_length != 3 && base_length != 4)
    return false;  // spares every other name a copy
  std::wstring base = name.substr(0, base_length);
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
  for (const wchar_t* device : kDevices) {
    if (EqualsAsciiIgnoringCase(base, device))
      return true;
  }
  if (base.size() == 4 && base[3] >= L'1' && base[3] <= L'9') {
    std::wstring stem = base.substr(0, 3);
    return EqualsAsciiIgnoringCase(stem, L"COM") || EqualsAsciiIgnoringCase(stem, L"LPT");
  }
  return false;
}

// Counted, not converted: every name a listing hands out is checked.
bool FitsFileNameLimits(const std::wstring& name) {
  size_t utf16_units = kJobExtensionLength;
  size_t utf8_bytes = kJobExtensionLength;
  for (wchar_t c : name) {
    const auto value = static_cast<char32_t>(c);
    utf16_units += value >= 0x10000 ? 2 : 1;
    if (value >= 0xDC80 && value <= 0xDCFF)
      utf8_bytes += 1;  // an escaped byte goes back as itself
    else
      utf8_bytes += value < 0x80 ? 1 : value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
  }
  return utf16_units <= kMaxTaskFileName && utf8_bytes <= kMaxTaskFileName;
}

// Lone surrogates, code points past U+10FFFF and escaped bytes that happen
// to form valid UTF-8 would come back from the folder as another name, and
// the task could then be neither found nor deleted under its own. A name
// with none of these comes back as it is.
bool SurvivesFileNameRoundTrip(const std::wstring& name) {
  for (wchar_t c : name) {
    const auto value = static_cast<char32_t>(c);
    if ((value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
      return WideFromUtf8(Utf8FromWide(name)) == name;
  }
  return true;
}

}  // namespace

bool IsValidTaskName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..")
    return false;
  for (wchar_t c : name) {
    if (IsForbiddenCharacter(c))
      return false;
  }
  wchar_t last = name.back();
  if (last == L'.' || last == L' ')
    return false;
  return !IsDosDeviceName(name) && FitsFileNameLimits(name) && SurvivesFileNameRoundTrip(name);
}

std::wstring TaskFileName(const std::wstring& name) { return name + kJobExtension; }

bool HasJobExtension(const std::wstring& file_name) {
  if (file_name.size() < kJobExtensionLength)
    return false;
  // In place: a listing asks this of every entry.
  const wchar_t* ending = file_name.c_str() + file_name.size() - kJobExtensionLength;
  for (size_t i = 0; i < kJobExtensionLength; ++i) {
    if (AsciiUpper(ending[i]) != L".JOB"[i])
      return false;
  }
  return true;
}

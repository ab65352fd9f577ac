#include "task_name.h"

#include "wide_text.h"

namespace {

const wchar_t kJobExtension[] = L".job";
constexpr size_t kJobExtensionLength = 4;

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
    case L'\\': case L'/': case L':': case L'*': case L'?':
    case L'"': case L'<': case L'>': case L'|':
      return true;
    default:
      return false;
  }
}

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - (L'a' - L'A') : c; }

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
  std::wstring base = name.substr(0, name.find(L'.'));
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

bool FitsFileNameLimits(const std::wstring& name) {
  std::wstring file_name = TaskFileName(name);
  return Utf16FromWide(file_name).size() <= kMaxTaskFileName &&
         Utf8FromWide(file_name).size() <= kMaxTaskFileName;
}

// Lone surrogates, code points past U+10FFFF and escaped bytes that happen
// to form valid UTF-8 would come back from the folder as another name, and
// the task could then be neither found nor deleted under its own.
bool SurvivesFileNameRoundTrip(const std::wstring& name) {
  return WideFromUtf8(Utf8FromWide(name)) == name;
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

std::wstring TaskNameOf(const std::wstring& file_name) {
  return file_name.substr(0, file_name.size() - kJobExtensionLength);
}

bool HasJobExtension(const std::wstring& file_name) {
  if (file_name.size() < kJobExtensionLength)
    return false;
  return EqualsAsciiIgnoringCase(file_name.substr(file_name.size() - kJobExtensionLength),
                                 L".JOB");
}

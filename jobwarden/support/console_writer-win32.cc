#include "jobwarden/support/console_writer.h"

#include <windows.h>

#include <string>

// How wide text leaves the program on Windows:
//
// - Standard output is a console: WriteConsoleW takes the UTF-16 text as it
//   is, so every character the console font can show appears, whatever the
//   console's code page. Going through the C runtime's wide printf instead
//   would convert to the console code page and turn every character outside
//   it into a question mark, and its default text mode stops the output at
//   the first such character.
// - Standard output is redirected (a file or a pipe): the text is written as
//   UTF-8 with WriteFile, so no character is lost to a code page, and each
//   line end as CR LF, as the C runtime's text-mode output writes it and as
//   Windows programs reading the output expect. A lone surrogate, which no
//   UTF-8 can carry, becomes U+FFFD.
//
// Both calls may write less than asked for (a console write is split by
// the host into chunks, a pipe may accept part of a large buffer), so each
// loop goes on from where the previous call stopped until all is written or
// the call fails; a failed write is not reported, as nothing could show it.

namespace {

// Keeps each console write well below the size where older consoles refuse
// a single WriteConsoleW call outright.
constexpr DWORD kMaxConsoleChunk = 8192;

bool IsConsole(HANDLE output) {
  DWORD mode = 0;
  return GetConsoleMode(output, &mode) != 0;
}

void WriteToConsole(HANDLE console, const std::wstring& text) {
  const wchar_t* next = text.data();
  size_t left = text.size();
  while (left > 0) {
    const DWORD chunk = left < kMaxConsoleChunk ? static_cast<DWORD>(left) : kMaxConsoleChunk;
    DWORD written = 0;
    if (!WriteConsoleW(console, next, chunk, &written, nullptr) || written == 0)
      return;
    next += written;
    left -= written;
  }
}

std::string Utf8FromUtf16(const std::wstring& text) {
  if (text.empty())
    return std::string();
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return std::string();
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &bytes[0], size, nullptr, nullptr);
  return bytes;
}

// Every LF becomes CR LF, as text mode writes it; a CR already there is
// kept as it is.
std::string WithWindowsLineEnds(const std::string& bytes) {
  std::string converted;
  converted.reserve(bytes.size() + bytes.size() / 16);
  for (const char byte : bytes) {
    if (byte == '\n')
      converted += '\r';
    converted += byte;
  }
  return converted;
}

void WriteToFile(HANDLE file, const std::string& bytes) {
  const char* next = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const DWORD chunk = left < MAXDWORD ? static_cast<DWORD>(left) : MAXDWORD;
    DWORD written = 0;
    if (!WriteFile(file, next, chunk, &written, nullptr) || written == 0)
      return;
    next += written;
    left -= written;
  }
}

}  // namespace

void WriteToStandardOutput(const std::wstring& text) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE)
    return;
  if (IsConsole(output)) {
    WriteToConsole(output, text);
  } else {
    WriteToFile(output, WithWindowsLineEnds(Utf8FromUtf16(text)));
  }
}

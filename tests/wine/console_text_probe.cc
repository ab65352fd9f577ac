// console_text_probe COUNT TEXT: writes TEXT COUNT times through the same
// console writer Jobwarden uses, in one call. The Wine suite compares the
// redirected bytes with the UTF-8 of the repeated text: a large COUNT
// shows whether a write that the pipe takes only in part is carried on to
// the end, a non-ASCII TEXT whether any character is lost on the way.
#include <cwchar>
#include <string>

#include "jobwarden/support/console_writer.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3)
    return 2;
  const long count = std::wcstol(argv[1], nullptr, 10);
  std::wstring text;
  for (long i = 0; i < count; ++i)
    text += argv[2];
  WriteConsoleText(text);
  return 0;
}

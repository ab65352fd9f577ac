#include "jobwarden/support/console_writer.h"

#include <cstdio>

#include "platform/posix/wide_text.h"

// The terminal and every pipe on a POSIX host take UTF-8. The conversion is
// our own rather than the C library's wide output, which would need a locale
// and would stop at the first character it cannot convert.
//
// A write that failed (a reader that went away: EPIPE, as SIGPIPE is
// ignored) is not tried again, nor is anything after it: the run goes on to
// its own end and status.
void WriteToStandardOutput(const std::wstring& text) {
  if (std::ferror(stdout))
    return;
  const std::string bytes = Utf8FromWide(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

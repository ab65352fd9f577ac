#include "jobwarden/console/console_writer.h"

namespace {
ConsoleCapture* g_capture = nullptr;
}  // namespace

ConsoleCapture::ConsoleCapture() { g_capture = this; }

ConsoleCapture::~ConsoleCapture() { g_capture = nullptr; }

void WriteConsoleText(const std::wstring& text) {
  if (g_capture) {
    if (g_capture->observer_)
      g_capture->observer_();
    g_capture->text_ += text;
    return;
  }
  WriteToStandardOutput(text);
}

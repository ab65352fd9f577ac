#include "jobwarden/support/console_writer.h"

namespace {
ConsoleOutput* g_output = nullptr;
}  // namespace

ConsoleOutput::ConsoleOutput() { g_output = this; }

ConsoleOutput::~ConsoleOutput() { g_output = nullptr; }

void WriteConsoleText(const std::wstring& text) {
  if (g_output) {
    g_output->Write(text);
    return;
  }
  WriteToStandardOutput(text);
}

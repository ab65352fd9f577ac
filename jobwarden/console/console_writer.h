// Every message, the help listing and the task listing of Jobwarden are
// written through WriteConsoleText, so that the conversion from wide text
// to what the console or a redirected output expects lives in one place.
#ifndef JOBWARDEN_CONSOLE_CONSOLE_WRITER_H
#define JOBWARDEN_CONSOLE_CONSOLE_WRITER_H

#include <functional>
#include <string>
#include <utility>

void WriteConsoleText(const std::wstring& text);

// While a ConsoleCapture exists, WriteConsoleText appends to it instead of
// writing to standard output. Lets tests run the whole program in-process
// and compare its output. Captures do not nest.
class ConsoleCapture {
 public:
  ConsoleCapture();
  ~ConsoleCapture();
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  const std::wstring& Text() const { return text_; }

  // Called before each write is captured; lets a test see what state the
  // program was in when it printed.
  void OnWrite(std::function<void()> observer) { observer_ = std::move(observer); }

 private:
  friend void WriteConsoleText(const std::wstring& text);
  std::wstring text_;
  std::function<void()> observer_;
};

// Writes to the real standard output; one implementation per host.
void WriteToStandardOutput(const std::wstring& text);

#endif  // JOBWARDEN_CONSOLE_CONSOLE_WRITER_H

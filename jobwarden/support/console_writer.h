// Every message, the help listing and the task listing of Jobwarden are
// written through WriteConsoleText, so that the conversion from wide text
// to what the console or a redirected output expects lives in one place.
#ifndef JOBWARDEN_SUPPORT_CONSOLE_WRITER_H_
#define JOBWARDEN_SUPPORT_CONSOLE_WRITER_H_

#include <string>

void WriteConsoleText(const std::wstring& text);

// While a ConsoleOutput exists, WriteConsoleText hands it the text instead
// of writing to standard output, which lets the whole program run
// in-process with its output kept. Outputs do not nest.
class ConsoleOutput {
 public:
  ConsoleOutput();
  virtual ~ConsoleOutput();
  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

  virtual void Write(const std::wstring& text) = 0;
};

// The output that keeps everything written, in order.
class ConsoleCapture : public ConsoleOutput {
 public:
  const std::wstring& Text() const { return text_; }

  void Write(const std::wstring& text) override { text_ += text; }

 private:
  std::wstring text_;
};

// Writes to the real standard output; one implementation per host.
void WriteToStandardOutput(const std::wstring& text);

#endif  // JOBWARDEN_SUPPORT_CONSOLE_WRITER_H_

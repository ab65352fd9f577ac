#include "platform/service/crontab_text.h"

#include <vector>

const char kServiceLineMark[] = " # jobwarden-service";

namespace {

// One argument for the shell cron hands the line to.
std::string ShellQuoted(const std::string& value) {
  std::string quoted = "'";
  for (char c : value) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

bool FitsTheLine(const std::string& value) {
  return value.find_first_of(std::string("\n\r%\0", 4)) == std::string::npos;
}

// The crontab's lines, each with its line end as it was (the last one may
// have none).
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

bool IsServiceLine(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.pop_back();
  const std::string mark = kServiceLineMark;
  return line.size() >= mark.size() &&
         line.compare(line.size() - mark.size(), mark.size(), mark) == 0;
}

}  // namespace

std::optional<std::string> ServiceLine(const std::string& program, const std::string& task_folder,
                                       const std::string& state_home) {
  if (!FitsTheLine(program) || !FitsTheLine(task_folder) || !FitsTheLine(state_home))
    return std::nullopt;
  std::string line = "* * * * * JOBWARDEN_TASKS_DIR=" + ShellQuoted(task_folder) + " ";
  if (!state_home.empty())
    line += "XDG_STATE_HOME=" + ShellQuoted(state_home) + " ";
  return line + ShellQuoted(program) + " run-due" + kServiceLineMark;
}

bool HasServiceLine(const std::string& crontab) {
  for (const std::string& line : Lines(crontab)) {
    if (IsServiceLine(line))
      return true;
  }
  return false;
}

std::string WithServiceLine(const std::string& crontab, const std::string& line) {
  std::string result;
  bool placed = false;
  for (const std::string& existing : Lines(crontab)) {
    if (!IsServiceLine(existing)) {
      result += existing;
    } else if (!placed) {
      result += line + "\n";
      placed = true;
    }
  }
  if (!placed) {
    if (!result.empty() && result.back() != '\n')
      result += '\n';
    result += line + "\n";
  }
  return result;
}

std::string WithoutServiceLine(const std::string& crontab) {
  std::string result;
  for (const std::string& existing : Lines(crontab)) {
    if (!IsServiceLine(existing))
      result += existing;
  }
  return result;
}

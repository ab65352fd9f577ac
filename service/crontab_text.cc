#include "service/crontab_text.h"

namespace {

const char kTest[] = "test -x";
const char kEnv[] = "/usr/bin/env";
const char kFolderVariable[] = "JOBWARDEN_TASKS_DIR=";
const char kStateVariable[] = "XDG_STATE_HOME=";
const char kMark[] = "# jobwarden-service";
const char kAtBoot[] = "@reboot";

// The line install writes tests for the program first, so that once it is
// gone the line does nothing and cron mails nothing. Lines of earlier
// versions lack that test, and before env they set the variables in the
// shell's words, which only Bourne shells understand, quoted for them alone.
enum class LineFormat { kTestedThroughEnv, kThroughEnv, kBourneOnly };

// One argument for the shell cron hands the line to: sh, bash, dash or csh.
// csh expands "!" even between single quotes, but not after a backslash.
std::string ShellQuoted(const std::string& value, LineFormat format) {
  std::string quoted = "'";
  for (char c : value) {
    if (c == '\'')
      quoted += "'\\''";
    else if (c == '!' && format != LineFormat::kBourneOnly)
      quoted += "'\\!'";
    else
      quoted += c;
  }
  return quoted + "'";
}

bool FitsTheLine(const std::string& value) {
  return value.find_first_of(std::string("\n\r%\0", 4)) == std::string::npos;
}

std::optional<std::string> LineIn(LineFormat format, const ServiceLineValues& values) {
  if (!FitsTheLine(values.program) || !FitsTheLine(values.task_folder) ||
      !FitsTheLine(values.state_home))
    return std::nullopt;
  std::string line = values.at_boot ? std::string(kAtBoot) + " " : "* * * * * ";
  if (format == LineFormat::kTestedThroughEnv)
    line += std::string(kTest) + " " + ShellQuoted(values.program, format) + " && ";
  if (format != LineFormat::kBourneOnly) {
    if (values.program.find('=') != std::string::npos)
      return std::nullopt;
    line += std::string(kEnv) + " ";
  }
  line += kFolderVariable + ShellQuoted(values.task_folder, format) + " ";
  if (!values.state_home.empty())
    line += kStateVariable + ShellQuoted(values.state_home, format) + " ";
  return line + ShellQuoted(values.program, format) +
         (values.at_boot ? " system-start " : " run-due ") + kMark;
}

// The line's words as the shell reads the quoting LineIn writes: single
// quotes, and a backslash outside them. Nothing when a quote is left open.
std::optional<std::vector<std::string>> Words(const std::string& line) {
  std::vector<std::string> words;
  bool in_word = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (!quoted && c == ' ') {
      in_word = false;
      continue;
    }
    if (!in_word)
      words.emplace_back();
    in_word = true;
    if (c == '\'')
      quoted = !quoted;
    else if (!quoted && c == '\\' && i + 1 < line.size())
      words.back() += line[++i];
    else
      words.back() += c;
  }
  if (quoted)
    return std::nullopt;
  return words;
}

bool TakePrefixed(const std::string& word, const std::string& prefix, std::string* value) {
  if (word.compare(0, prefix.size(), prefix) != 0)
    return false;
  *value = word.substr(prefix.size());
  return true;
}

// The values of a service line: one that reads as the service's, and that
// LineIn writes again to the byte.
std::optional<ServiceLineValues> ParsedServiceLine(std::string line) {
  if (!line.empty() && line.back() == '\n')
    line.pop_back();
  const std::optional<std::vector<std::string>> words = Words(line);
  // The schedule: five fields, or "@reboot" for the line of system-start.
  const bool at_boot = words && !words->empty() && words->front() == kAtBoot;
  const size_t schedule = at_boot ? 1 : 5;
  if (!words || words->size() < schedule + 5)
    return std::nullopt;
  std::vector<std::string> rest(words->begin() + schedule, words->end());
  LineFormat format = LineFormat::kBourneOnly;
  // "test -x '<program>' &&": its program is checked against the one run
  // when LineIn writes the line again.
  if (rest[0] + " " + rest[1] == kTest && rest[3] == "&&") {
    format = LineFormat::kTestedThroughEnv;
    rest.erase(rest.begin(), rest.begin() + 4);
  } else if (rest.front() == kEnv) {
    format = LineFormat::kThroughEnv;
  }
  if (format != LineFormat::kBourneOnly)
    rest.erase(rest.begin());
  ServiceLineValues values;
  values.at_boot = at_boot;
  if (rest.size() != 5 && rest.size() != 6)
    return std::nullopt;
  if (!TakePrefixed(rest[0], kFolderVariable, &values.task_folder) ||
      (rest.size() == 6 && !TakePrefixed(rest[1], kStateVariable, &values.state_home)))
    return std::nullopt;
  values.program = rest[rest.size() - 4];
  if (LineIn(format, values) != line)
    return std::nullopt;
  return values;
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

bool IsServiceLine(const std::string& line) { return ParsedServiceLine(line).has_value(); }

}  // namespace

std::optional<std::string> ServiceLine(const std::string& program, const std::string& task_folder,
                                       const std::string& state_home) {
  return LineIn(LineFormat::kTestedThroughEnv, {program, task_folder, state_home});
}

std::optional<std::string> ServiceBootLine(const std::string& program,
                                           const std::string& task_folder,
                                           const std::string& state_home) {
  return LineIn(LineFormat::kTestedThroughEnv, {program, task_folder, state_home, true});
}

std::vector<ServiceLineValues> ServiceLines(const std::string& crontab) {
  std::vector<ServiceLineValues> found;
  for (const std::string& line : Lines(crontab)) {
    std::optional<ServiceLineValues> values = ParsedServiceLine(line);
    if (values && !values->at_boot)
      found.push_back(*values);
  }
  return found;
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

// Jobwarden's command-line vocabulary: the option table, filled with its
// rows by the entry routine, then by Parse from the argument vector, and
// queried by identifier afterwards.
#ifndef JOBWARDEN_CLI_COMMAND_LINE_OPTIONS_H_
#define JOBWARDEN_CLI_COMMAND_LINE_OPTIONS_H_

#include <cstdint>
#include <string>
#include <vector>

enum class OptionId : int32_t {
  Create = 0,
  Query = 1,
  Delete = 2,
  ScheduleFrequency = 3,
  RunUser = 4,
  TaskName = 5,
  RunPassword = 6,
  TaskRun = 7,
};

// A switch begins with "/" or, in its place, "-"; a value never begins with
// either, so that one character tells a switch from a value.
bool IsSwitchCharacter(wchar_t unit);

// Thrown by Parse for every syntax error. It deliberately carries nothing:
// every syntax error is reported the same way.
class CommandLineOptionsInvalidSyntax {};

class CommandLineOption {
 public:
  CommandLineOption(std::wstring switch_text, OptionId id, bool takes_value,
                    std::wstring description);

  std::wstring SwitchText;  // lower case, with its leading "/"
  OptionId Id;
  bool TakesValue;
  std::wstring Description;
  std::wstring Value;
  bool Present = false;
};

class CommandLineOptions {
 public:
  CommandLineOptions() = default;
  // Wipes every value: one of them may be a password.
  ~CommandLineOptions();
  CommandLineOptions(const CommandLineOptions&) = default;
  CommandLineOptions& operator=(const CommandLineOptions&) = default;

  void AddOption(std::wstring switch_text, OptionId id, bool takes_value, std::wstring description);

  // Records which switches argv holds and their values. Throws
  // CommandLineOptionsInvalidSyntax on any syntax error. Writes "/" over the
  // first character of every argument it examines as a switch.
  void Parse(int argc, wchar_t** argv);

  // Lookups answer from the first row with the identifier.
  bool IsPresent(OptionId id) const;
  std::wstring GetValue(OptionId id) const;

  // Zeroes the value of every row with the identifier, keeping its length:
  // for a password, once its one copy has been taken.
  void WipeValue(OptionId id);

  void PrintHelp() const;

 private:
  bool MatchSwitch(const std::wstring& folded_argument, int argc, wchar_t** argv, int* position);
  const CommandLineOption* FindId(OptionId id) const;

  std::vector<CommandLineOption> options_;
};

// The eight rows of Jobwarden's option table, in the order of the help
// listing.
void AddJobwardenOptions(CommandLineOptions* options);

#endif  // JOBWARDEN_CLI_COMMAND_LINE_OPTIONS_H_

#include "service/crontab.h"

#include <cstdlib>

#include "service/child_process.h"

namespace {

// What crontab programs say when the user has no crontab yet: cron and
// cronie ("no crontab for alice"), BusyBox ("can't open 'alice': No such
// file or directory").
bool SaysNoCrontab(const std::string& error_output) {
  return error_output.find("no crontab for") != std::string::npos ||
         error_output.find("No such file or directory") != std::string::npos;
}

std::string Reason(const std::vector<std::string>& command, const CommandResult& result) {
  std::string what = command.front();
  if (!result.started)
    return what + " could not be started";
  std::string reason = result.error_output;
  while (!reason.empty() && reason.back() == '\n')
    reason.pop_back();
  if (reason.empty())
    reason = "exit status " + std::to_string(result.exit_status);
  return what + ": " + reason;
}

}  // namespace

CommandCrontab::CommandCrontab() {
  const char* command = std::getenv("JOBWARDEN_CRONTAB");
  command_ = SplitParameters(command && *command ? command : "crontab");
  if (command_.empty())
    command_.push_back("crontab");
}

bool CommandCrontab::Read(std::string* text, std::string* error) {
  std::vector<std::string> arguments = command_;
  arguments.push_back("-l");
  const CommandResult result = RunCommand(arguments, "");
  if (result.started && result.exit_status == 0) {
    *text = result.output;
    return true;
  }
  if (result.started && result.output.empty() && SaysNoCrontab(result.error_output)) {
    text->clear();
    return true;
  }
  *error = Reason(command_, result);
  return false;
}

bool CommandCrontab::Write(const std::string& text, std::string* error) {
  std::vector<std::string> arguments = command_;
  arguments.push_back("-");
  const CommandResult result = RunCommand(arguments, text);
  if (result.started && result.exit_status == 0)
    return true;
  *error = Reason(command_, result);
  return false;
}

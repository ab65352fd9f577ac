#include "service/task_environment-posix.h"

const char kTaskPath[] = "/usr/local/bin:/usr/bin:/bin";

namespace {

char kPwdRoot[] = "PWD=/";

}  // namespace

TaskEnvironment::TaskEnvironment(const Account& account, const std::string& folder) {
  const auto add = [this](const char* name, const std::string& value) {
    if (!value.empty())
      variables_.push_back(std::string(name) + "=" + value);
  };
  add("HOME", account.home);
  add("LOGNAME", account.name);
  add("PATH", kTaskPath);
  folder_index_ = variables_.size();
  add("PWD", folder.empty() ? "/" : folder);
  add("SHELL", account.shell);
  add("USER", account.name);
  for (std::string& variable : variables_)
    pointers_.push_back(variable.data());
  pointers_.push_back(nullptr);
}

void TaskEnvironment::StartInRoot() { pointers_[folder_index_] = kPwdRoot; }

#include "service/account.h"

#include <pwd.h>
#include <sys/fsuid.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

bool LookUp(const char* name, uid_t uid, Account* account) {
  std::vector<char> buffer(16384);
  passwd entry = {};
  passwd* found = nullptr;
  const int error = name ? getpwnam_r(name, &entry, buffer.data(), buffer.size(), &found)
                         : getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
  if (error != 0 || !found)
    return false;
  account->uid = found->pw_uid;
  account->gid = found->pw_gid;
  account->name = found->pw_name ? found->pw_name : "";
  account->home = found->pw_dir ? found->pw_dir : "";
  if (found->pw_shell && *found->pw_shell)
    account->shell = found->pw_shell;
  return true;
}

}  // namespace

bool ResolveAccount(const std::string& account_name, Account* account) {
  *account = Account();
  const uid_t self = geteuid();
  if (self != 0 || account_name.empty()) {
    if (!LookUp(nullptr, self, account)) {
      account->uid = self;
      account->gid = getegid();
    }
    // The service's own home, as cron gave it, for a user the password
    // database does not list.
    const char* home = std::getenv("HOME");
    if (account->home.empty() && home)
      account->home = home;
    return true;
  }
  if (!LookUp(account_name.c_str(), 0, account))
    return false;
  account->switch_user = true;
  return true;
}

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

FileAccessAs::FileAccessAs(const Account& account) {
  if (!account.switch_user || geteuid() != 0 || account.uid == 0)
    return;
  // setfsgid/setfsuid answer the value before the change.
  gid_ = static_cast<gid_t>(setfsgid(account.gid));
  uid_ = static_cast<uid_t>(setfsuid(account.uid));
  switched_ = true;
}

FileAccessAs::~FileAccessAs() {
  if (!switched_)
    return;
  setfsuid(uid_);
  setfsgid(gid_);
}

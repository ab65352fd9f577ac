#include "service/account.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

std::vector<std::string> Variables(TaskEnvironment& environment) {
  std::vector<std::string> variables;
  for (char** variable = environment.variables(); *variable; ++variable)
    variables.push_back(*variable);
  return variables;
}

TEST(TaskEnvironmentTest, HoldsTheAccountsVariablesAndNothingElse) {
  Account account;
  account.name = "alice";
  account.home = "/home/alice";
  account.shell = "/bin/zsh";
  TaskEnvironment environment(account, "/srv/work");
  EXPECT_EQ(Variables(environment),
            (std::vector<std::string>{"HOME=/home/alice", "LOGNAME=alice",
                                      "PATH=/usr/local/bin:/usr/bin:/bin", "PWD=/srv/work",
                                      "SHELL=/bin/zsh", "USER=alice"}));
  environment.StartInRoot();
  EXPECT_EQ(Variables(environment)[3], "PWD=/");
}

// A service user the password database does not list: no name, and no
// home unless cron gave one.
TEST(TaskEnvironmentTest, LeavesOutWhatIsNotKnown) {
  TaskEnvironment environment(Account(), "");
  EXPECT_EQ(Variables(environment), (std::vector<std::string>{"PATH=/usr/local/bin:/usr/bin:/bin",
                                                              "PWD=/", "SHELL=/bin/sh"}));
  environment.StartInRoot();
  EXPECT_EQ(Variables(environment), (std::vector<std::string>{"PATH=/usr/local/bin:/usr/bin:/bin",
                                                              "PWD=/", "SHELL=/bin/sh"}));
}

TEST(AccountTest, SystemAccountIsTheServicesOwn) {
  Account account;
  ASSERT_TRUE(ResolveAccount("", &account));
  EXPECT_FALSE(account.switch_user);
  EXPECT_EQ(account.uid, geteuid());
  const passwd* self = getpwuid(geteuid());
  if (self && self->pw_shell && *self->pw_shell) {
    EXPECT_EQ(account.shell, self->pw_shell);
  }
  if (geteuid() == 0) {
    EXPECT_FALSE(ResolveAccount("no-such-user-jw", &account));
  } else {
    // An ordinary user's service runs every task as that user.
    ASSERT_TRUE(ResolveAccount("no-such-user-jw", &account));
    EXPECT_FALSE(account.switch_user);
  }
}

// A named account, for a service run by root: that user's own fields,
// even root's; for an ordinary user's service, the user's own account.
TEST(AccountTest, ANamedAccountIsThatUsersWithItsFields) {
  for (const char* name : {"nobody", "root"}) {
    const passwd* entry = getpwnam(name);
    if (!entry)
      GTEST_SKIP() << "this machine has no user " << name;
    const uid_t uid = entry->pw_uid;
    const gid_t gid = entry->pw_gid;
    const std::string home = entry->pw_dir;
    const std::string shell = *entry->pw_shell ? entry->pw_shell : "/bin/sh";
    Account account;
    ASSERT_TRUE(ResolveAccount(name, &account)) << name;
    if (geteuid() != 0) {
      EXPECT_FALSE(account.switch_user) << name;
      EXPECT_EQ(account.uid, geteuid()) << name;
      continue;
    }
    EXPECT_TRUE(account.switch_user) << name;
    EXPECT_EQ(account.uid, uid) << name;
    EXPECT_EQ(account.gid, gid) << name;
    EXPECT_EQ(account.name, name);
    EXPECT_EQ(account.home, home) << name;
    EXPECT_EQ(account.shell, shell) << name;
  }
}

}  // namespace

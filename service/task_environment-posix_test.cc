#include "service/task_environment-posix.h"

#include <gtest/gtest.h>

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

}  // namespace

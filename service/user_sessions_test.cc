#include "service/user_sessions.h"

#include <gtest/gtest.h>
#include <string.h>
#include <utmp.h>

#include <algorithm>
#include <fstream>

#include "platform/testing/task_folder_testing.h"

namespace {

TEST(LoginRecordsTest, OnlyAUserProcessRecordIsASession) {
  TestTaskFolder scratch;
  const std::string file = scratch.root() + "/utmp";
  std::ofstream out(file, std::ios::binary);
  const auto add = [&out](short type, const char* user) {
    utmp record = {};
    record.ut_type = type;
    memcpy(record.ut_user, user, std::min(strlen(user), sizeof(record.ut_user)));
    out.write(reinterpret_cast<const char*>(&record), sizeof(record));
  };
  add(LOGIN_PROCESS, "LOGIN");
  add(USER_PROCESS, "alice");
  add(DEAD_PROCESS, "bob");
  add(USER_PROCESS, "carol-with-a-name-of-32-bytes-xx");
  out.close();
  EXPECT_TRUE(HasSession(file, "alice"));
  EXPECT_FALSE(HasSession(file, "alic"));
  EXPECT_FALSE(HasSession(file, "bob"));
  EXPECT_FALSE(HasSession(file, "LOGIN"));
  EXPECT_TRUE(HasSession(file, "carol-with-a-name-of-32-bytes-xx"));
  EXPECT_FALSE(HasSession(file, "carol-with-a-name-of-32-bytes-xxy"));
  EXPECT_FALSE(HasSession(scratch.root() + "/none", "alice"));
}

}  // namespace

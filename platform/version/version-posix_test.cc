#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

TEST(GetVersionExATest, FailsWithNotSupportedAndLeavesRecordUntouched) {
  OSVERSIONINFOEXA record;
  std::memset(&record, 0xAB, sizeof(record));
  record.dwOSVersionInfoSize = sizeof(record);
  OSVERSIONINFOEXA before = record;
  SetLastError(0);

  EXPECT_EQ(FALSE, GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&record)));

  EXPECT_EQ(ERROR_NOT_SUPPORTED, GetLastError());
  EXPECT_EQ(0, std::memcmp(&before, &record, sizeof(record)));
}

TEST(GetVersionExATest, BasicRecordFailsAlike) {
  OSVERSIONINFOA record = {};
  record.dwOSVersionInfoSize = sizeof(record);
  SetLastError(0);

  EXPECT_EQ(FALSE, GetVersionExA(&record));
  EXPECT_EQ(ERROR_NOT_SUPPORTED, GetLastError());
}

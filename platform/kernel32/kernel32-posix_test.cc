#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

TEST(LastErrorTest, KeepsOneValuePerThread) {
  SetLastError(1234);
  DWORD seen_by_other_thread = 99;
  std::thread other([&seen_by_other_thread] {
    seen_by_other_thread = GetLastError();
    SetLastError(5678);
  });
  other.join();

  EXPECT_EQ(0u, seen_by_other_thread);
  EXPECT_EQ(1234u, GetLastError());
}

TEST(LstrcmpiATest, IgnoresAsciiCase) {
  EXPECT_EQ(0, lstrcmpiA("/F", "/f"));
  EXPECT_EQ(0, lstrcmpiA("/f", "/F"));
  EXPECT_EQ(0, lstrcmpiA("Hello World", "hELLO wORLD"));
  EXPECT_EQ(0, lstrcmpiA("", ""));
}

TEST(LstrcmpiATest, OrdersDifferentTexts) {
  EXPECT_LT(lstrcmpiA("/F", "/FF"), 0);
  EXPECT_GT(lstrcmpiA("/FF", "/F"), 0);
  EXPECT_NE(0, lstrcmpiA("-F", "/F"));
  EXPECT_LT(lstrcmpiA("abc", "ABD"), 0);
  EXPECT_GT(lstrcmpiA("b", "A"), 0);
  EXPECT_LT(lstrcmpiA("", "a"), 0);
}

TEST(LstrcmpiATest, FoldsOnlyAsciiLetters) {
  // "@" and "`" sit right before "A" and "a"; "[" and "{" right after "Z" and "z".
  EXPECT_NE(0, lstrcmpiA("@", "`"));
  EXPECT_NE(0, lstrcmpiA("[", "{"));
  EXPECT_NE(0, lstrcmpiA("\xC4", "\xE4"));
  EXPECT_EQ(0, lstrcmpiA("\xC4", "\xC4"));
  // High bytes compare above ASCII, not below it as a signed char would.
  EXPECT_GT(lstrcmpiA("\xC4", "z"), 0);
}

TEST(LstrcmpiATest, NullSortsFirst) {
  EXPECT_EQ(0, lstrcmpiA(nullptr, nullptr));
  EXPECT_LT(lstrcmpiA(nullptr, ""), 0);
  EXPECT_GT(lstrcmpiA("", nullptr), 0);
}

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

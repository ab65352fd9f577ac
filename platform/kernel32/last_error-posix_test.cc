#include <windows.h>

#include <thread>

#include <gtest/gtest.h>

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

#include "jobwarden/scheduler/task_name_length.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A character beyond the Basic Multilingual Plane, in the host's wide form.
std::wstring Astral() {
  if (sizeof(wchar_t) == 2)
    return std::wstring(L"\xD83D\xDDD3");
  return std::wstring(1, static_cast<wchar_t>(0x1F5D3));
}

std::wstring Repeated(const std::wstring& part, std::size_t count) {
  std::wstring text;
  for (std::size_t i = 0; i < count; ++i)
    text += part;
  return text;
}

}  // namespace

TEST(TaskNameLengthTest, NamesUpToTheFolderBoundFit) {
  EXPECT_TRUE(FitsTaskFolder(L""));
  EXPECT_EQ(kMaxTaskNameUnits, 238u);
  EXPECT_TRUE(FitsTaskFolder(std::wstring(238, L'x').c_str()));
  EXPECT_FALSE(FitsTaskFolder(std::wstring(239, L'x').c_str()));
  EXPECT_FALSE(FitsTaskFolder(std::wstring(300, L'x').c_str()));
}

TEST(TaskNameLengthTest, CharactersBeyondTheBasicPlaneCountTwoUnits) {
  EXPECT_EQ(Utf16Length(Astral().c_str()), 2u);
  EXPECT_EQ(Utf16Length((L"a" + Astral() + L"\x0416").c_str()), 4u);
  EXPECT_TRUE(FitsTaskFolder(Repeated(Astral(), 119).c_str()));
  EXPECT_FALSE(FitsTaskFolder((Repeated(Astral(), 119) + L"x").c_str()));
}

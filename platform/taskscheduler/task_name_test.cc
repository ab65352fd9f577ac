#include "platform/taskscheduler/task_name.h"

#include <gtest/gtest.h>

#include <string>

TEST(TaskNameTest, AcceptsNamesAWindowsTaskFolderCouldHold) {
  for (const wchar_t* name :
       {L"Backup", L"nightly backup", L"v1.2 build", L".hidden", L"a", L"Zeitplan \x00fc\x00e4",
        L"\x65e5\x672c", L"emoji \U0001F600", L"CONSOLE", L"COM0", L"LPT10", L"con-job"}) {
    EXPECT_TRUE(IsValidTaskName(name)) << "\"" << std::wstring(name) << "\"";
  }
}

TEST(TaskNameTest, RefusesNamesThatCouldNotBeAFileThere) {
  for (const wchar_t* name :
       {L"",      L".",         L"..",          L"a\\b", L"a/b",           L"../escape",
        L"a:b",   L"a*",        L"a?",          L"a\"b", L"a<b",           L"a>b",
        L"a|b",   L"tab\there", L"line\nbreak", L"\x1f", L"trailing dot.", L"trailing blank ",
        L"CON",   L"con",       L"nul.txt",     L"Aux",  L"PRN",           L"COM1",
        L"lpt9.x"}) {
    EXPECT_FALSE(IsValidTaskName(name)) << "\"" << std::wstring(name) << "\"";
  }
  EXPECT_FALSE(IsValidTaskName(std::wstring(L"nul\0inside", 10)));
}

// A listing prints names raw: none may start a line of its own or drive the
// terminal (C1 controls such as CSI and OSC, NEL, the Unicode separators).
TEST(TaskNameTest, RefusesEveryControlCharacterAndLineSeparator) {
  for (wchar_t c = 0; c < 0x20; ++c)
    EXPECT_FALSE(IsValidTaskName(std::wstring(L"a") + c + L"b")) << int(c);
  for (wchar_t c = 0x80; c <= 0x9F; ++c)
    EXPECT_FALSE(IsValidTaskName(std::wstring(L"a") + c + L"b")) << int(c);
  EXPECT_FALSE(
      IsValidTaskName(L"a\x2028"
                      L"b"));
  EXPECT_FALSE(
      IsValidTaskName(L"a\x2029"
                      L"b"));
  for (const wchar_t* kept : {L"a\x00A0"
                              L"b",
                              L"a\x007E"
                              L"b",
                              L"a\x202F"
                              L"b"})
    EXPECT_TRUE(IsValidTaskName(kept)) << std::wstring(kept);
}

TEST(TaskNameTest, FileNameMustFitInLinuxBytes) {
  // "<name>.job" must stay within 255 bytes of UTF-8.
  EXPECT_TRUE(IsValidTaskName(std::wstring(251, L'a')));
  EXPECT_FALSE(IsValidTaskName(std::wstring(252, L'a')));
  EXPECT_TRUE(IsValidTaskName(std::wstring(125, L'\x00e9')));  // 250 bytes
  EXPECT_FALSE(IsValidTaskName(std::wstring(126, L'\x00e9')));
  EXPECT_TRUE(IsValidTaskName(std::wstring(62, L'\U0001F600')));  // 248 bytes, 124 UTF-16 units
  EXPECT_FALSE(IsValidTaskName(std::wstring(63, L'\U0001F600')));
}

TEST(TaskNameTest, RefusesNamesThatWouldComeBackFromTheFolderChanged) {
  EXPECT_FALSE(IsValidTaskName(L"lone \xD800 surrogate"));
  // Escaped bytes that together spell "\u00e9" would be listed as that.
  EXPECT_FALSE(IsValidTaskName(L"\xDCC3\xDCA9"));
  // A byte that is not UTF-8 on its own stays itself.
  EXPECT_TRUE(IsValidTaskName(L"raw \xDCFF byte"));
}

TEST(TaskNameTest, JobExtensionInAnyCase) {
  EXPECT_EQ(L"Backup.job", TaskFileName(L"Backup"));
  EXPECT_TRUE(HasJobExtension(L"Backup.job"));
  EXPECT_TRUE(HasJobExtension(L"Backup.JOB"));
  EXPECT_TRUE(HasJobExtension(L".job"));
  EXPECT_FALSE(HasJobExtension(L"job"));
  EXPECT_FALSE(HasJobExtension(L"Backup.jobs"));
  EXPECT_FALSE(HasJobExtension(L"Backup.job.tmp"));
}

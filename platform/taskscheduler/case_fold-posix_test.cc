#include "platform/taskscheduler/case_fold.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <string>

#include "platform/posix/wide_text.h"

namespace {

// The comparison the task folder makes: a name as the folder holds it
// (UTF-8) against the folded name wanted.
bool NameFoldsTo(const std::wstring& stored, const std::wstring& wanted) {
  return FoldsTo(Utf8FromWide(stored).c_str(), FoldCase(wanted));
}

}  // namespace

TEST(CaseFoldTest, FoldsAsciiLettersOnly) {
  EXPECT_EQ(L"BACKUP 2-NIGHT_[X]", FoldCase(L"backup 2-Night_[x]"));
  EXPECT_TRUE(NameFoldsTo(L"Backup.job", L"BACKUP.JOB"));
  EXPECT_FALSE(NameFoldsTo(L"Backup", L"Backup "));
  // '@' and '`' border the letters; they must not fold into them.
  EXPECT_FALSE(NameFoldsTo(L"@", L"`"));
}

TEST(CaseFoldTest, FoldsOtherLettersWithoutTouchingTheProcessLocale) {
  locale_t probe = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (probe == static_cast<locale_t>(0))
    GTEST_SKIP() << "no C.UTF-8 locale on this host";
  freelocale(probe);
  EXPECT_TRUE(NameFoldsTo(L"\x00e9t\x00e9", L"\x00c9T\x00c9"));
  EXPECT_TRUE(NameFoldsTo(L"\x0434\x0430", L"\x0414\x0410"));
  EXPECT_STREQ("C", setlocale(LC_CTYPE, nullptr));
}

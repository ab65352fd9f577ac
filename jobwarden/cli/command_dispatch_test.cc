#include "jobwarden/cli/command_dispatch.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Split {
  const wchar_t* value;
  const wchar_t* program;
  const wchar_t* parameters;
};

void ExpectSplits(const std::vector<Split>& cases) {
  for (const Split& c : cases) {
    const TaskRunParts parts = SplitTaskRun(c.value);
    EXPECT_EQ(parts.program, c.program) << c.value;
    EXPECT_EQ(parts.parameters, c.parameters) << c.value;
  }
}

}  // namespace

TEST(SplitTaskRun, UnquotedValuesSplitAtTheFirstBlankKeepingIt) {
  ExpectSplits({
      {L"notepad.exe", L"notepad.exe", L""},
      {L"C:\\bin\\tool.exe -a  -b", L"C:\\bin\\tool.exe", L" -a  -b"},
      {L" leading", L"", L" leading"},
      {L"", L"", L""},
      {L"tab\tseparated", L"tab\tseparated", L""},  // only a blank separates
      {L"trailing ", L"trailing", L" "},
  });
}

TEST(SplitTaskRun, QuotedProgramLosesBothQuotesAndKeepsItsBlanks) {
  ExpectSplits({
      {L"\"C:\\Program Files\\App\\app.exe\" /run now", L"C:\\Program Files\\App\\app.exe",
       L" /run now"},
      {L"\"C:\\Program Files\\app.exe\"", L"C:\\Program Files\\app.exe", L""},
      {L"\"a b\"c d", L"a b", L"c d"},
      {L"\"\"", L"", L""},
      {L"\"\"\"", L"", L"\""},
      // Without a closing quote the whole value stays the program path.
      {L"\"C:\\Program Files\\app.exe -x", L"\"C:\\Program Files\\app.exe -x", L""},
      {L"\"", L"\"", L""},
  });
}

TEST(FrequencyFromKeyword, MatchesTheFourKeywordsInAnyAsciiCaseOnly) {
  TaskFrequency frequency = TaskFrequency::Daily;
  EXPECT_TRUE(FrequencyFromKeyword(L"HOURLY", &frequency));
  EXPECT_EQ(frequency, TaskFrequency::Hourly);
  EXPECT_TRUE(FrequencyFromKeyword(L"Daily", &frequency));
  EXPECT_EQ(frequency, TaskFrequency::Daily);
  EXPECT_TRUE(FrequencyFromKeyword(L"weekly", &frequency));
  EXPECT_EQ(frequency, TaskFrequency::Weekly);
  EXPECT_TRUE(FrequencyFromKeyword(L"monthLY", &frequency));
  EXPECT_EQ(frequency, TaskFrequency::Monthly);
  for (const wchar_t* refused :
       {L"", L" daily", L"daily ", L"day", L"dailyy", L"\x212Aeekly", L"ho\x130rly", L"HOURLY\n"}) {
    EXPECT_FALSE(FrequencyFromKeyword(refused, &frequency)) << refused;
  }
}

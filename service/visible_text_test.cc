#include "service/visible_text.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

TEST(VisibleTextTest, EveryControlAndInvalidByteAsAnEscape) {
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {"plain /bin/tar -czf b.tgz", "plain /bin/tar -czf b.tgz"},
      {"caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xc2\xa0 \xf4\x8f\xbf\xbf",
       "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xc2\xa0 \xf4\x8f\xbf\xbf"},
      {std::string("a\0b", 3), "a\\x00b"},
      {"\t\r\n\x1b[2J\x1f\x7f", "\\x09\\x0d\\x0a\\x1b[2J\\x1f\\x7f"},
      {"C:\\x1b \\", "C:\\\\x1b \\\\"},
      {"\xc2\x80\xc2\x9b\xc2\x9f", "\\xc2\\x80\\xc2\\x9b\\xc2\\x9f"},
      {"lone \xc2", "lone \\xc2"},
      {"\xc2z", "\\xc2z"},
      {"\xc0\xaf", "\\xc0\\xaf"},
      {"\xe0\x80\xaf", "\\xe0\\x80\\xaf"},
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
      {"\xe6\x97", "\\xe6\\x97"},
      {"\xff\xfe\x80", "\\xff\\xfe\\x80"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VisibleText(c.text), c.shown) << c.shown;
}

// A line already visible passes as it is; what is still raw in it is made
// visible, and a cut never splits a character or an escape.
TEST(VisibleTextTest, LogLinesKeepTheirSeparatorAndAreCutWhole) {
  EXPECT_EQ(VisibleLogLine("a.job\tstarted: C:\\\\x \\x1b \xc3\xa9"),
            "a.job\tstarted: C:\\\\x \\x1b \xc3\xa9");
  EXPECT_EQ(VisibleLogLine("a.job\tstarted: \x1b]0;t\x07 \\ x\ty\xc2\x9b\xff"),
            "a.job\tstarted: \\x1b]0;t\\x07 \\ x\\x09y\\xc2\\x9b\\xff");
  const std::string visible = "ab\\x1b\xc3\xa9\\\\c";
  const size_t cuts[] = {0, 1, 2, 2, 2, 2, 6, 6, 8, 8, 10, 11, 11};
  for (size_t most = 0; most < std::size(cuts); ++most)
    EXPECT_EQ(VisibleCut(visible, most), cuts[most]) << most;
}

}  // namespace

#include "service/parameter_split.h"

#include <gtest/gtest.h>

namespace {

TEST(ParameterSplitTest, SplitsAtBlanksAndGroupsInQuotes) {
  const struct {
    const char* parameters;
    std::vector<std::string> arguments;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"--all", {"--all"}},
      {"  a  b\tc ", {"a", "b", "c"}},
      {"\"two words\" x", {"two words", "x"}},
      {"pre\"fix and\"post", {"prefix andpost"}},
      {"\"\"", {""}},
      {"a \"\" b", {"a", "", "b"}},
      {"\"unclosed quote", {"unclosed quote"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SplitParameters(c.parameters), c.arguments) << c.parameters;
}

TEST(ParameterSplitTest, ExpandsNothing) {
  EXPECT_EQ(SplitParameters("$HOME *.txt ~ `id` $(id) a;b >out 'q' \\\" x\\y"),
            (std::vector<std::string>{"$HOME", "*.txt", "~", "`id`", "$(id)", "a;b", ">out", "'q'",
                                      "\\ x\\y"}));
}

}  // namespace

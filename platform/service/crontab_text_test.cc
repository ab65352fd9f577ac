#include "platform/service/crontab_text.h"

#include <gtest/gtest.h>

namespace {

const char kLine[] =
    "* * * * * JOBWARDEN_TASKS_DIR='/t' '/bin/jobwarden-service' run-due # jobwarden-service";

TEST(CrontabTextTest, ServiceLineQuotesItsValues) {
  EXPECT_EQ(ServiceLine("/bin/jobwarden-service", "/t"), std::string(kLine));
  EXPECT_EQ(ServiceLine("/opt/it's here/jobwarden-service", "/home/a b/tasks"),
            std::string("* * * * * JOBWARDEN_TASKS_DIR='/home/a b/tasks' "
                        "'/opt/it'\\''s here/jobwarden-service' run-due # jobwarden-service"));
  EXPECT_EQ(ServiceLine("/bin/jobwarden-service", "/t", "/s"),
            std::string("* * * * * JOBWARDEN_TASKS_DIR='/t' XDG_STATE_HOME='/s' "
                        "'/bin/jobwarden-service' run-due # jobwarden-service"));
  EXPECT_FALSE(ServiceLine("/bin/jobwarden-service", "/t/100%"));
  EXPECT_FALSE(ServiceLine("/bin/jobwarden-service", "/t", "/s%"));
  EXPECT_FALSE(ServiceLine("/bin/x\ny", "/t"));
  EXPECT_FALSE(ServiceLine("/bin/x", std::string("/t\0u", 4)));
}

TEST(CrontabTextTest, InstallKeepsEveryOtherLineAndLeavesOneServiceLine) {
  const std::string line = kLine;
  const struct {
    const char* what;
    std::string before;
    std::string after;
  } cases[] = {
      {"empty", "", line + "\n"},
      {"other lines", "# m h dom mon dow command\nMAILTO=\"\"\n0 5 * * 1 tar -zcf /b.tgz /home/ \n",
       "# m h dom mon dow command\nMAILTO=\"\"\n0 5 * * 1 tar -zcf /b.tgz /home/ \n" + line + "\n"},
      {"no final line end", "0 5 * * * x", "0 5 * * * x\n" + line + "\n"},
      {"CR LF kept", "0 5 * * * x\r\n\r\n", "0 5 * * * x\r\n\r\n" + line + "\n"},
      {"already there", "a\n" + line + "\nb\n", "a\n" + line + "\nb\n"},
      {"old path replaced in place",
       "a\n* * * * * '/old/jobwarden-service' run-due # jobwarden-service\nb\n",
       "a\n" + line + "\nb\n"},
      {"duplicates folded", line + "\nx\n" + line + "\n", line + "\nx\n"},
  };
  for (const auto& c : cases) {
    const std::string once = WithServiceLine(c.before, line);
    EXPECT_EQ(once, c.after) << c.what;
    EXPECT_EQ(WithServiceLine(once, line), once) << c.what;
    EXPECT_TRUE(HasServiceLine(once)) << c.what;
  }
}

TEST(CrontabTextTest, UninstallRemovesOnlyTheServiceLines) {
  const std::string line = kLine;
  EXPECT_EQ(WithoutServiceLine("a\n" + line + "\nb\r\n" + line), "a\nb\r\n");
  EXPECT_EQ(WithoutServiceLine("a\n# jobwarden-service is great\nb"),
            "a\n# jobwarden-service is great\nb");
  EXPECT_EQ(WithoutServiceLine(""), "");
  EXPECT_FALSE(HasServiceLine("0 5 * * * jobwarden-service run-due\n"));
}

}  // namespace

#include "service/system_service.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/testing/temporary_folder_testing.h"

namespace {

TEST(SystemServiceTest, OnlyTheLinesThemselvesAreTheSystemService) {
  const std::string line = std::string(kSystemCronLine) + "\n" + kSystemBootLine;
  std::ifstream packaged(JOBWARDEN_PACKAGED_CRON_D);
  std::stringstream packaged_text;
  packaged_text << packaged.rdbuf();
  const struct {
    const char* what;
    std::string text;
    bool holds;
  } cases[] = {
      {"the package's file", packaged_text.str(), true},
      {"among other lines", "SHELL=/bin/sh\n0 3 * * * root backup\n" + line + "\n# end\n", true},
      {"commented out", "#" + line + "\n", false},
      {"indented", " " + line + "\n", false},
      {"no final line feed", "SHELL=/bin/sh\n" + line, false},
      {"CR LF", line + "\r\n", false},
      {"more after it", line + " --all\n", false},
      {"the minute line alone", std::string(kSystemCronLine) + "\n", false},
      {"empty", "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HoldsSystemCronLine(c.text), c.holds) << c.what;
}

// Cron, as root, reads only a file of root's that no one else can write.
TEST(SystemServiceTest, AFileCronSkipsHoldsNoLine) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root: cron reads only root's files in cron.d";
  TemporaryFolder scratch;
  const std::string file = scratch.path() + "/jobwarden";
  std::ofstream(file) << kSystemCronLine << "\n" << kSystemBootLine << "\n";
  const struct {
    mode_t mode;
    bool holds;
  } cases[] = {{0644, true}, {0600, true}, {0664, false}, {0646, false}};
  for (const auto& c : cases) {
    ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
    EXPECT_EQ(CronFileHoldsSystemLine(file), c.holds) << std::oct << c.mode;
  }
  const std::string link = scratch.path() + "/link";
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  EXPECT_FALSE(CronFileHoldsSystemLine(link));
  EXPECT_FALSE(CronFileHoldsSystemLine(scratch.path() + "/missing"));
}

}  // namespace

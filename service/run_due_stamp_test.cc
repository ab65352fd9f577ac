#include "service/run_due_stamp.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/posix/descriptor-posix.h"
#include "platform/testing/temporary_folder_testing.h"
#include "service/service_doubles_testing.h"

namespace {

namespace fs = std::filesystem;
using service_test::kDueMinute;

class RunDueStampTest : public testing::Test {
 protected:
  std::string Path(const std::string& name = RunDueStamp::kFileName) const {
    return folder_.path() + "/" + name;
  }

  TemporaryFolder folder_;
  Descriptor state_{open(folder_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  RunDueStamp stamp_{state_.get()};
  std::string why_;
};

TEST_F(RunDueStampTest, KeepsTheLatestTimeNoted) {
  EXPECT_EQ(stamp_.Last(&why_), std::nullopt);
  EXPECT_EQ(why_, "");
  ASSERT_TRUE(stamp_.Note(kDueMinute + 7, &why_)) << why_;
  ASSERT_TRUE(stamp_.Note(kDueMinute + 60, &why_)) << why_;
  EXPECT_EQ(stamp_.Last(&why_), kDueMinute + 60);
  EXPECT_EQ(fs::file_size(Path()), 24u);

  std::ofstream(Path()) << "17966388\n";
  EXPECT_EQ(stamp_.Last(&why_), std::nullopt);
  EXPECT_EQ(why_, "last-run-due holds no time");
  ASSERT_TRUE(stamp_.Note(kDueMinute, &why_)) << why_;
  EXPECT_EQ(stamp_.Last(&why_), kDueMinute);
}

// A file someone else could have put there is neither read nor written.
TEST_F(RunDueStampTest, RefusesAFileItMustNotTrust) {
  const struct {
    std::function<void(const std::string& path)> plant;
    std::string why;
  } cases[] = {
      {[&](const std::string& path) { fs::create_symlink(Path("elsewhere"), path); },
       "last-run-due: is a symbolic link or not a plain file or folder"},
      {[&](const std::string& path) { fs::create_hard_link(Path("elsewhere"), path); },
       "last-run-due has 2 links"},
      {[&](const std::string& path) {
         std::ofstream(path) << "planted\n";
         chmod(path.c_str(), 0620);
       },
       "last-run-due is writable by its group"},
  };
  for (const auto& c : cases) {
    std::ofstream(Path("elsewhere")) << "planted\n";
    c.plant(Path());
    EXPECT_FALSE(stamp_.Note(kDueMinute + 60, &why_));
    EXPECT_EQ(why_, c.why);
    EXPECT_EQ(stamp_.Last(&why_), std::nullopt);
    EXPECT_EQ(why_, c.why);
    EXPECT_EQ(fs::file_size(Path()), 8u);  // through a link, what it points at
    fs::remove(Path());
    fs::remove(Path("elsewhere"));
  }
}

}  // namespace

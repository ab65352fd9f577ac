#include "service/canonical_path-posix.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/testing/temporary_folder_testing.h"

namespace {

class CanonicalPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char* resolved = realpath(scratch_.path().c_str(), nullptr);
    ASSERT_NE(resolved, nullptr);
    root_ = resolved;
    free(resolved);
    ASSERT_EQ(mkdir((root_ + "/real").c_str(), 0700), 0);
    ASSERT_EQ(symlink("real", (root_ + "/link").c_str()), 0);
    char current[4096];
    ASSERT_NE(getcwd(current, sizeof(current)), nullptr);
    previous_ = current;
  }
  void TearDown() override { EXPECT_EQ(chdir(previous_.c_str()), 0); }

  TemporaryFolder scratch_;
  std::string root_;
  std::string previous_;
};

TEST_F(CanonicalPathTest, AnExistingFolderHasItsLinksResolved) {
  EXPECT_EQ(CanonicalPath(root_ + "/link"), root_ + "/real");
  EXPECT_EQ(CanonicalPath(root_ + "//link/./../link/"), root_ + "/real");
  EXPECT_EQ(CanonicalPath("/"), "/");
}

TEST_F(CanonicalPathTest, ARelativePathIsTakenFromTheCurrentDirectory) {
  ASSERT_EQ(chdir((root_ + "/link").c_str()), 0);
  EXPECT_EQ(CanonicalPath("."), root_ + "/real");
  EXPECT_EQ(CanonicalPath("my tasks"), root_ + "/real/my tasks");
  EXPECT_EQ(CanonicalPath("../link/a"), root_ + "/real/a");
}

TEST_F(CanonicalPathTest, AFolderNotThereYetIsAppendedToThePartThatIs) {
  EXPECT_EQ(CanonicalPath(root_ + "/link/new/tasks/"), root_ + "/real/new/tasks");
  EXPECT_EQ(CanonicalPath(root_ + "/link/new/./x/../tasks"), root_ + "/real/new/tasks");
  EXPECT_EQ(CanonicalPath(root_ + "/link/new/../../up"), root_ + "/up");
}

}  // namespace

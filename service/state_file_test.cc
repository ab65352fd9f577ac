#include "service/state_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/testing/temporary_folder_testing.h"

namespace {

namespace fs = std::filesystem;

class StateFileTest : public testing::Test {
 protected:
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder_.path() + "/" + name, std::ios::binary) << text;
  }
  std::vector<std::string> Last(const std::string& name, size_t count, off_t max_bytes,
                                const std::function<bool(std::string_view)>& keep = nullptr) {
    Descriptor file(open((folder_.path() + "/" + name).c_str(), O_RDONLY));
    return LastLines(file.get(), count, max_bytes, keep);
  }

  TemporaryFolder folder_;
  Descriptor parent_{open(folder_.path().c_str(), O_RDONLY | O_DIRECTORY)};
  Descriptor opened_;
  std::string why_;
};

TEST_F(StateFileTest, MakesAFolderWithItsModeWhateverTheUmask) {
  const mode_t previous = umask(077);
  ASSERT_TRUE(OpenStateFolder(parent_.get(), "output", 0711, &opened_, &why_)) << why_;
  umask(previous);
  EXPECT_EQ(fs::status(folder_.path() + "/output").permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  // One that exists is used as it is.
  ASSERT_TRUE(OpenStateFolder(parent_.get(), "output", 0700, &opened_, &why_)) << why_;
}

TEST_F(StateFileTest, RefusesAFolderLinkedOrWritableByOthers) {
  fs::create_directory(folder_.path() + "/elsewhere");
  fs::create_directory_symlink(folder_.path() + "/elsewhere", folder_.path() + "/linked");
  EXPECT_FALSE(OpenStateFolder(parent_.get(), "linked", 0700, &opened_, &why_));
  EXPECT_EQ(why_, "linked: is a symbolic link or not a plain file or folder");

  fs::create_directory(folder_.path() + "/shared");
  chmod((folder_.path() + "/shared").c_str(), 0770);
  EXPECT_FALSE(OpenStateFolder(parent_.get(), "shared", 0700, &opened_, &why_));
  EXPECT_EQ(why_, "shared is writable by its group");
  EXPECT_EQ(opened_.get(), -1);
}

TEST_F(StateFileTest, OpensOnlyAPlainFileOfItsOwnerWithOneLink) {
  Write("real", "secret");
  fs::create_symlink(folder_.path() + "/real", folder_.path() + "/link");
  EXPECT_FALSE(
      OpenStateFile(parent_.get(), "link", O_WRONLY | O_CREAT, geteuid(), &opened_, &why_));
  EXPECT_EQ(why_, "link: is a symbolic link or not a plain file or folder");

  fs::create_hard_link(folder_.path() + "/real", folder_.path() + "/hard");
  EXPECT_FALSE(OpenStateFile(parent_.get(), "hard", O_RDONLY, geteuid(), &opened_, &why_));
  EXPECT_EQ(why_, "hard has 2 links");

  // A FIFO would block the opener for ever.
  ASSERT_EQ(mkfifo((folder_.path() + "/fifo").c_str(), 0600), 0);
  EXPECT_FALSE(OpenStateFile(parent_.get(), "fifo", O_RDONLY, geteuid(), &opened_, &why_));
  EXPECT_EQ(why_, "fifo is not a regular file");

  // Another's file: root gives it away, anyone else asks for another owner.
  Write("mine", "");
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown((folder_.path() + "/mine").c_str(), 65534, 65534), 0);
  }
  EXPECT_FALSE(
      OpenStateFile(parent_.get(), "mine", O_RDONLY, root ? 0 : geteuid() + 1, &opened_, &why_));
  EXPECT_EQ(why_, "mine is owned by uid " + std::to_string(root ? 65534 : geteuid()));
  EXPECT_TRUE(OpenStateFile(parent_.get(), "mine", O_RDONLY, kAnyOwner, &opened_, &why_)) << why_;
  EXPECT_EQ(fcntl(opened_.get(), F_GETFD), FD_CLOEXEC);

  ASSERT_TRUE(OpenStateFile(parent_.get(), "new", O_WRONLY | O_CREAT, geteuid(), &opened_, &why_));
  EXPECT_EQ(fs::status(folder_.path() + "/new").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(StateFileTest, LastLinesKeepsTheNewestWholeLines) {
  Write("log", "one\ntwo\nthree\nfour");
  EXPECT_EQ(Last("log", 2, 100), (std::vector<std::string>{"three", "four"}));
  EXPECT_EQ(Last("log", 10, 100), (std::vector<std::string>{"one", "two", "three", "four"}));
  // "wo" of a cut line is left out.
  EXPECT_EQ(Last("log", 10, 13), (std::vector<std::string>{"three", "four"}));
  EXPECT_EQ(Last("log", 10, 100, [](std::string_view line) { return line.starts_with("t"); }),
            (std::vector<std::string>{"two", "three"}));
  EXPECT_TRUE(Last("log", 0, 100).empty());
  Write("empty", "");
  EXPECT_TRUE(Last("empty", 5, 100).empty());
}

}  // namespace

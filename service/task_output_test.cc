#include "service/task_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "platform/testing/temporary_folder_testing.h"

namespace {

namespace fs = std::filesystem;

class TaskOutputsTest : public testing::Test {
 protected:
  std::string Path() const { return outputs_.Path("1:2", "Nightly backup.job", account_); }
  std::string Read() const {
    std::ifstream file(Path(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }
  // Runs `write_output` in a child whose 1 and 2 are the task's output, as
  // the launcher will.
  // A run whose program writes `chunks`, as its watcher relays them: the
  // file never holds more than its running limit, 4096 bytes here.
  void RunTask(const std::vector<std::string>& chunks) {
    Descriptor output;
    ASSERT_TRUE(outputs_.Open("1:2", "Nightly backup.job", account_, &output, &why_)) << why_;
    OutputFile file(output.get(), 1024, 4096);
    for (const std::string& chunk : chunks) {
      ASSERT_TRUE(file.Append(chunk));
      struct stat info = {};
      ASSERT_EQ(fstat(output.get(), &info), 0);
      ASSERT_LE(info.st_size, 4096);
    }
    ASSERT_TRUE(file.Finish());
  }

  TemporaryFolder folder_;
  Descriptor state_{open(folder_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  TaskOutputs outputs_{state_.get(), folder_.path()};
  Account account_;
  std::string why_;
};

TEST_F(TaskOutputsTest, NamesEachTasksFileSafelyAndApart) {
  EXPECT_EQ(Path().rfind(folder_.path() + "/output/Nightly_backup.job-", 0), 0u);
  EXPECT_NE(TaskOutputs::FileName("1:2", "a.job"), TaskOutputs::FileName("1:3", "a.job"));
  EXPECT_EQ(TaskOutputs::FileName("1:2", "../../x\n.job").find_first_of("/\n"), std::string::npos);
  EXPECT_LE(TaskOutputs::FileName("1:2", std::string(300, 'a')).size(), 100u);
}

TEST_F(TaskOutputsTest, KeepsTheLastRunOnly) {
  RunTask({"first run\n"});
  RunTask({"out\n", "err\n"});
  EXPECT_EQ(Read(), "out\nerr\n");
  EXPECT_EQ(outputs_.ReadTail("1:2", "Nightly backup.job", account_, 1),
            std::vector<std::string>{"err"});
  EXPECT_EQ(fs::status(Path()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(folder_.path() + "/output").permissions(),
            fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
}

TEST_F(TaskOutputsTest, TrimsToTheNewestWholeLinesWithinTheBound) {
  std::vector<std::string> lines;
  for (int i = 0; i < 500; ++i)
    lines.push_back("line " + std::to_string(i) + "\n");
  RunTask(lines);
  const std::string kept = Read();
  EXPECT_LE(kept.size(), 1024u);
  EXPECT_GT(kept.size(), 1000u);
  EXPECT_TRUE(kept.ends_with("line 498\nline 499\n"));
  EXPECT_TRUE(kept.starts_with("line ")) << kept.substr(0, 20);
  EXPECT_EQ(outputs_.ReadTail("1:2", "Nightly backup.job", account_, 2),
            (std::vector<std::string>{"line 498", "line 499"}));
}

TEST_F(TaskOutputsTest, OutputWithoutLinesKeepsItsNewestBytes) {
  RunTask({std::string(3000, 'a'), "end"});
  EXPECT_EQ(Read(), std::string(1021, 'a') + "end");
}

// Root's service keeps another account's outputs in a folder of that
// account's, and works there as that account: a link the account planted
// makes root neither write nor read another file, and a folder of someone
// else's under the account's name is refused.
TEST_F(TaskOutputsTest, AnotherAccountsOutputIsInItsOwnFolderAndHandledAsIt) {
  if (geteuid() != 0)
    GTEST_SKIP() << "running a task as another account needs root";
  account_ = {true, 65534, 65534, "nobody", "/nonexistent"};
  RunTask({"mine\n"});
  const std::string folder = folder_.path() + "/output/nobody";
  EXPECT_EQ(Path().rfind(folder + "/", 0), 0u) << Path();
  struct stat info = {};
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(std::make_tuple(info.st_uid, info.st_gid, info.st_mode & 07777),
            std::make_tuple(65534u, 65534u, 0700u));
  ASSERT_EQ(stat(Path().c_str(), &info), 0);
  EXPECT_EQ(std::make_tuple(info.st_uid, info.st_gid, info.st_mode & 07777),
            std::make_tuple(65534u, 65534u, 0600u));

  const std::string secret = folder_.path() + "/secret";
  std::ofstream(secret) << "root's\n";
  chmod(secret.c_str(), 0600);
  fs::remove(Path());
  fs::create_symlink(secret, Path());
  EXPECT_TRUE(outputs_.ReadTail("1:2", "Nightly backup.job", account_, 5).empty());
  RunTask({"again\n"});
  EXPECT_EQ(Read(), "again\n");
  std::ifstream kept(secret);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "root's\n");

  ASSERT_EQ(chown(folder.c_str(), 1, 1), 0);
  Descriptor output;
  EXPECT_FALSE(outputs_.Open("1:2", "Nightly backup.job", account_, &output, &why_));
  EXPECT_EQ(why_, "nobody is owned by uid 1");
}

// A link planted in place of the file is replaced, never written through.
TEST_F(TaskOutputsTest, APlantedLinkIsNotFollowed) {
  const std::string target = folder_.path() + "/target";
  std::ofstream(target) << "keep\n";
  fs::create_directories(folder_.path() + "/output");
  fs::permissions(folder_.path() + "/output", fs::perms::owner_all);
  fs::create_symlink(target, Path());
  RunTask({"mine\n"});
  EXPECT_EQ(Read(), "mine\n");
  EXPECT_FALSE(fs::is_symlink(Path()));

  fs::remove(Path());
  fs::create_symlink(target, Path());
  EXPECT_TRUE(outputs_.ReadTail("1:2", "Nightly backup.job", account_, 5).empty());
  std::ifstream in(target);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep\n");
}

TEST_F(TaskOutputsTest, StatusCreatesNothing) {
  EXPECT_TRUE(outputs_.ReadTail("1:2", "Nightly backup.job", account_, 5).empty());
  EXPECT_FALSE(fs::exists(folder_.path() + "/output"));
}

}  // namespace

#include "service/run_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/testing/temporary_folder_testing.h"

namespace {

namespace fs = std::filesystem;

class RunLocksTest : public testing::Test {
 protected:
  RunLocks::Outcome Lock(const std::string& name = "a.job") {
    why_.clear();
    return locks_.TryLock("1:2", name, &held_, &why_);
  }
  // As a run-due that opens the folders anew.
  RunLocks::Outcome LockAnew(const std::string& name = "a.job") {
    ServiceFolders folders(state_);
    return RunLocks(folders).TryLock("1:2", name, &held_, &why_);
  }
  // The one lock file there is.
  std::string LockFile() const {
    for (const auto& entry : fs::directory_iterator(running_))
      return entry.path();
    return "";
  }

  TemporaryFolder folder_;
  const std::string state_ = folder_.path() + "/state";
  const std::string running_ = state_ + "/jobwarden/running";
  ServiceFolders folders_{state_};
  RunLocks locks_{folders_};
  Descriptor held_;
  std::string why_;
};

TEST_F(RunLocksTest, MakesAnOwnerOnlyFolderAndOneLockPerTask) {
  ASSERT_EQ(Lock(), RunLocks::Outcome::kHeld) << why_;
  // Accounts reach their own output files by name, and list nothing.
  EXPECT_EQ(fs::status(state_ + "/jobwarden").permissions(),
            fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  EXPECT_EQ(fs::status(running_).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(LockFile()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fcntl(held_.get(), F_GETFD), FD_CLOEXEC);

  ServiceFolders other_folders(state_);
  const RunLocks other_object(other_folders);
  Descriptor second;
  EXPECT_EQ(other_object.TryLock("1:2", "a.job", &second, &why_), RunLocks::Outcome::kBusy);
  EXPECT_EQ(other_object.TryLock("1:3", "a.job", &second, &why_), RunLocks::Outcome::kHeld);
  held_.Reset(-1);
  EXPECT_EQ(other_object.TryLock("1:2", "a.job", &held_, &why_), RunLocks::Outcome::kHeld);
}

// A planted link anywhere below the state folder is refused, and nothing
// is created where it points.
TEST_F(RunLocksTest, RefusesASymbolicLinkOnTheWay) {
  const std::string elsewhere = folder_.path() + "/elsewhere";
  fs::create_directories(elsewhere);
  fs::create_directories(state_);
  fs::create_directory_symlink(elsewhere, state_ + "/jobwarden");
  EXPECT_EQ(Lock(), RunLocks::Outcome::kFailed);
  EXPECT_EQ(why_, state_ + "/jobwarden: is a symbolic link or not a plain file or folder");
  EXPECT_TRUE(fs::is_empty(elsewhere));

  fs::remove(state_ + "/jobwarden");
  fs::create_directories(state_ + "/jobwarden");
  fs::create_directory_symlink(elsewhere, running_);
  EXPECT_EQ(LockAnew(), RunLocks::Outcome::kFailed);
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(RunLocksTest, RefusesAFolderOthersCanWrite) {
  fs::create_directories(running_);
  chmod(running_.c_str(), 0770);
  EXPECT_EQ(Lock(), RunLocks::Outcome::kFailed);
  EXPECT_EQ(why_, running_ + " is writable by its group");
  chmod(running_.c_str(), 0700);
  chmod(state_.c_str(), 0757);
  EXPECT_EQ(LockAnew(), RunLocks::Outcome::kFailed);
  EXPECT_EQ(why_, state_ + " is writable by others");
}

// A lock file that is a link, no plain file or one with a second name is
// not ours to trust: that task is not run.
TEST_F(RunLocksTest, RefusesALockFileThatIsNotPlainlyOurs) {
  ASSERT_EQ(Lock(), RunLocks::Outcome::kHeld);
  held_.Reset(-1);
  const std::string lock_file = LockFile();
  const std::string target = folder_.path() + "/target";
  std::ofstream(target) << "keep";

  ASSERT_EQ(link(lock_file.c_str(), (folder_.path() + "/second").c_str()), 0);
  EXPECT_EQ(Lock(), RunLocks::Outcome::kFailed);
  EXPECT_NE(why_.find(" has 2 links"), std::string::npos) << why_;

  fs::remove(lock_file);
  fs::create_symlink(target, lock_file);
  EXPECT_EQ(Lock(), RunLocks::Outcome::kFailed);
  EXPECT_NE(why_.find(" is a symbolic link"), std::string::npos) << why_;

  fs::remove(lock_file);
  ASSERT_EQ(mkfifo(lock_file.c_str(), 0600), 0);
  EXPECT_EQ(Lock(), RunLocks::Outcome::kFailed);
  EXPECT_NE(why_.find(" is not a regular file"), std::string::npos) << why_;

  fs::remove(lock_file);
  EXPECT_EQ(Lock("b.job"), RunLocks::Outcome::kHeld) << "other tasks are not held up";
  EXPECT_EQ(Lock(), RunLocks::Outcome::kHeld);
  std::ifstream kept(target);
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "keep");
}

TEST_F(RunLocksTest, RootRefusesFilesOfAnotherUser) {
  if (geteuid() != 0)
    GTEST_SKIP() << "only root can give a file to another user";
  ASSERT_EQ(Lock(), RunLocks::Outcome::kHeld);
  held_.Reset(-1);
  ASSERT_EQ(chown(LockFile().c_str(), 65534, 65534), 0);
  EXPECT_EQ(LockAnew(), RunLocks::Outcome::kFailed);
  EXPECT_NE(why_.find(" is owned by uid 65534"), std::string::npos) << why_;
  ASSERT_EQ(chown(running_.c_str(), 65534, 65534), 0);
  EXPECT_EQ(LockAnew("b.job"), RunLocks::Outcome::kFailed);
  EXPECT_EQ(why_, running_ + " is owned by uid 65534");
}

}  // namespace

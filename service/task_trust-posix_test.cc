#include "service/task_trust-posix.h"

#include <gtest/gtest.h>

namespace {

constexpr uid_t kService = 1000;
constexpr uid_t kOther = 1001;

struct stat Folder(uid_t owner, mode_t mode) {
  struct stat status = {};
  status.st_mode = S_IFDIR | mode;
  status.st_uid = owner;
  status.st_nlink = 2;
  return status;
}

struct stat File(uid_t owner, mode_t mode, nlink_t links = 1) {
  struct stat status = {};
  status.st_mode = S_IFREG | mode;
  status.st_uid = owner;
  status.st_nlink = links;
  return status;
}

std::string Refusal(const struct stat& folder, const struct stat& file) {
  return TaskTrustRefusal(folder, file, kService).value_or("trusted");
}

TEST(TaskTrustTest, TrustsTheServiceUsersAndRootsOwnFiles) {
  EXPECT_EQ(Refusal(Folder(kService, 0700), File(kService, 0600)), "trusted");
  EXPECT_EQ(Refusal(Folder(0, 0755), File(0, 0644)), "trusted");
  EXPECT_EQ(Refusal(Folder(0, 0700), File(kService, 0400)), "trusted");
  EXPECT_EQ(Refusal(Folder(kService, 0755), File(0, 0600)), "trusted");
  // Set-group-ID and sticky bits grant no one the right to write.
  EXPECT_EQ(Refusal(Folder(kService, 02755), File(kService, 0600)), "trusted");
  EXPECT_EQ(TaskTrustRefusal(Folder(0, 0700), File(0, 0600), 0), std::nullopt);
}

TEST(TaskTrustTest, RefusesAFolderSomeoneElseCanWrite) {
  EXPECT_EQ(Refusal(Folder(kOther, 0700), File(kService, 0600)),
            "the task folder is owned by uid 1001");
  EXPECT_EQ(Refusal(Folder(kService, 0777), File(kService, 0600)),
            "the task folder is writable by others");
  // A sticky bit keeps others from removing the task, not from adding one.
  EXPECT_EQ(Refusal(Folder(0, 01777), File(kService, 0600)),
            "the task folder is writable by others");
  EXPECT_EQ(Refusal(Folder(kService, 02770), File(kService, 0600)),
            "the task folder is writable by its group");
  // The folder's owner is named before what its mode allows.
  EXPECT_EQ(Refusal(Folder(kOther, 0777), File(kOther, 0666)),
            "the task folder is owned by uid 1001");
  struct stat not_a_folder = File(kService, 0700);
  EXPECT_EQ(Refusal(not_a_folder, File(kService, 0600)), "the task folder is not a folder");
}

TEST(TaskTrustTest, RefusesAFileSomeoneElseCanWriteOrThatHasAnotherName) {
  const struct stat folder = Folder(kService, 0700);
  EXPECT_EQ(Refusal(folder, File(kOther, 0600)), "the file is owned by uid 1001");
  EXPECT_EQ(Refusal(folder, File(1, 0666)), "the file is owned by uid 1");
  EXPECT_EQ(Refusal(folder, File(kService, 0602)), "the file is writable by others");
  EXPECT_EQ(Refusal(folder, File(kService, 0620)), "the file is writable by its group");
  EXPECT_EQ(Refusal(folder, File(kService, 0600, 2)), "the file has 2 links");
  EXPECT_EQ(Refusal(folder, File(0, 0600, 0)), "the file has 0 links");

  struct stat fifo = File(kService, 0600);
  fifo.st_mode = S_IFIFO | 0600;
  EXPECT_EQ(Refusal(folder, fifo), "the file is not a regular file");
  EXPECT_EQ(Refusal(folder, Folder(kService, 0700)), "the file is not a regular file");
}

}  // namespace

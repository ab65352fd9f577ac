// A first save trusts NewWorkItem's scan while the folder's change stamp
// shows no change since, and scans again otherwise.
#include "platform/taskscheduler/change_stamp-posix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/taskscheduler/task_folder_fixture_testing.h"

namespace {

class ChangeStampTest : public TaskFolderFixture {};

TEST_F(ChangeStampTest, FirstWriteFindsACaseVariantStoredSinceTheSearch) {
  scratch_.Create();
  scratch_.WaitUntilLastChangeIsPast();
  FolderScan scan;
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"Nightly.job", &scan));
  // A folder left alone since before the search: its change stamp is known, so
  // only noticing the change below makes the write search again.
  EXPECT_TRUE(scan.stamp.known);
  // Another process stores the name in another case meanwhile.
  TestTaskFolder::Write(FilePath("NIGHTLY.job"), "theirs");
  scratch_.BackdateModification();
  StoredFile stored;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"Nightly.job", Bytes("ours"), scan, &stored));
  EXPECT_EQ((std::vector<std::string>{"NIGHTLY.job"}), scratch_.Files());
  EXPECT_EQ("theirs", TestTaskFolder::Read(FilePath("NIGHTLY.job")));
}

// Every writer marks its change with a modification time of its own, so
// a change right after another, within one tick of the kernel's coarse
// clock, still shows: NewWorkItem's scan is trusted at once, and never
// when another writer has stored a case variant since.
TEST_F(ChangeStampTest, ChangesInQuickSuccessionAreToldApart) {
  TaskFolder other(scratch_.path(), false);
  StoredFile stored;
  ASSERT_EQ(S_OK, other.CreateTask(L"First.job", Bytes("first"), FolderScan(), &stored));
  FolderScan scan;
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"Nightly.job", &scan));
  EXPECT_TRUE(scan.stamp.known);
  ASSERT_EQ(S_OK, other.CreateTask(L"NIGHTLY.job", Bytes("theirs"), FolderScan(), &stored));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"Nightly.job", Bytes("ours"), scan, &stored));
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"Daily.job", &scan));
  ASSERT_EQ(S_OK, other.RemoveTask({L"nightly.job"}));
  ASSERT_EQ(S_OK, other.CreateTask(L"DAILY.job", Bytes("theirs"), FolderScan(), &stored));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"Daily.job", Bytes("ours"), scan, &stored));
  EXPECT_EQ((std::vector<std::string>{"DAILY.job", "First.job"}), scratch_.Files());
}

TEST_F(ChangeStampTest, FirstWriteIntoAnUnchangedFolderStoresTheTask) {
  scratch_.Create();
  TestTaskFolder::Write(FilePath("Other.job"), "other");
  scratch_.WaitUntilLastChangeIsPast();
  FolderScan scan;
  ASSERT_EQ(S_FALSE, folder_.FindTakenName(L"Nightly.job", &scan));
  StoredFile stored;
  ASSERT_EQ(S_OK, folder_.CreateTask(L"Nightly.job", Bytes("ours"), scan, &stored));
  EXPECT_EQ((std::vector<std::string>{"Nightly.job", "Other.job"}), scratch_.Files());
  EXPECT_EQ("ours", TestTaskFolder::Read(FilePath("Nightly.job")));
  // The same name again is refused by the publication itself.
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
            folder_.CreateTask(L"Nightly.job", Bytes("again"), scan, &stored));
}

}  // namespace

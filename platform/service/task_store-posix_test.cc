#include "task_store-posix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "hresults.h"
#include "test_doubles.h"

namespace {

using service_test::TemporaryFolder;

class FolderTaskStoreTest : public testing::Test {
 protected:
  void Store(const std::wstring& name, const JobFile& job) {
    ASSERT_EQ(folder_.WriteTask(name, SerializeJobFile(job), TaskFolder::WriteMode::kReplace), S_OK);
  }

  TemporaryFolder temporary_;
  TaskFolder folder_{temporary_.path() + "/tasks", false};
  FolderTaskStore store_{folder_};
};

TEST_F(FolderTaskStoreTest, UpdatesOnlyAStoredTask) {
  JobFile job;
  job.application_name = L"/bin/true";
  job.comment = L"kept";
  Store(L"a.job", job);
  EXPECT_EQ(store_.Update(L"a.job", [](JobFile* stored) {
              stored->exit_code = 5;
              return true;
            }),
            S_OK);
  JobFile read;
  ASSERT_EQ(store_.Read(L"a.job", &read), S_OK);
  EXPECT_EQ(read.exit_code, 5u);
  EXPECT_EQ(read.comment, L"kept");

  EXPECT_EQ(store_.Update(L"gone.job", [](JobFile*) { return true; }), HRESULT_FILE_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(folder_.path() + "/gone.job"));
  EXPECT_EQ(store_.Update(L"a.job", [](JobFile* stored) {
              stored->exit_code = 6;
              return false;
            }),
            S_FALSE);
  ASSERT_EQ(store_.Read(L"a.job", &read), S_OK);
  EXPECT_EQ(read.exit_code, 5u);
}

TEST_F(FolderTaskStoreTest, ListsTasksAndRefusesFilesThatAreNone) {
  Store(L"a.job", JobFile());
  std::ofstream(folder_.path() + "/garbage.job") << "not a job";
  std::vector<std::wstring> names;
  ASSERT_EQ(store_.List(&names), S_OK);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a.job", L"garbage.job"}));
  JobFile job;
  EXPECT_EQ(store_.Read(L"garbage.job", &job), HRESULT_INVALID_DATA);
  EXPECT_EQ(store_.Update(L"garbage.job", [](JobFile*) { return true; }), HRESULT_INVALID_DATA);
  EXPECT_EQ(store_.Read(L"missing.job", &job), HRESULT_FILE_NOT_FOUND);
}

}  // namespace

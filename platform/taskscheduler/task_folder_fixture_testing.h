// What the task folder's tests share: a TaskFolder on a throw-away folder,
// a first save as NewWorkItem and IPersistFile::Save make it, and task
// bytes that a later save tells apart by their job UUID.
#ifndef PLATFORM_TASKSCHEDULER_TASK_FOLDER_FIXTURE_TESTING_H_
#define PLATFORM_TASKSCHEDULER_TASK_FOLDER_FIXTURE_TESTING_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/taskscheduler/task_folder-posix.h"
#include "platform/testing/task_folder_testing.h"

std::vector<uint8_t> Bytes(const std::string& text);

// The bytes of a task whose job UUID starts with `uuid_byte`, holding
// `parameters`: a later save tells its own file apart by the UUID.
std::vector<uint8_t> Job(uint8_t uuid_byte, const wchar_t* parameters);

// The parameters of the task file content `bytes`; content that is no
// .job file fails the test.
std::wstring ParametersOf(const std::string& bytes);

class TaskFolderFixture : public ::testing::Test {
 protected:
  // A first save as NewWorkItem and IPersistFile::Save make it.
  HRESULT Create(const std::wstring& file_name, const std::vector<uint8_t>& bytes,
                 StoredFile* stored = nullptr);
  // Whether the name is free, by NewWorkItem's rule.
  bool IsFree(const std::wstring& file_name);
  std::string FilePath(const std::string& name) const;

  TestTaskFolder scratch_;
  TaskFolder folder_{scratch_.path(), false};
};

#endif  // PLATFORM_TASKSCHEDULER_TASK_FOLDER_FIXTURE_TESTING_H_

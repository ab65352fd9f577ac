// For tests: points the Task Scheduler stand-in at a fresh folder of its
// own and removes it again, so that no test touches a real task folder.
#ifndef JOBWARDEN_SCHEDULER_TEMPORARY_TASK_FOLDER_H
#define JOBWARDEN_SCHEDULER_TEMPORARY_TASK_FOLDER_H

#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "job_file.h"
#include "test_hooks.h"

class TemporaryTaskFolder {
 public:
  TemporaryTaskFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "jobwarden-test-XXXXXX").string();
    root_ = mkdtemp(&pattern[0]);
    path_ = root_ + "/tasks";
    setenv("JOBWARDEN_TASKS_DIR", path_.c_str(), 1);
    test_hooks::Reset();
  }
  ~TemporaryTaskFolder() {
    test_hooks::Reset();
    test_hooks::ClearFixedLocalTime();
    unsetenv("JOBWARDEN_TASKS_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TemporaryTaskFolder(const TemporaryTaskFolder&) = delete;
  TemporaryTaskFolder& operator=(const TemporaryTaskFolder&) = delete;

  const std::string& path() const { return path_; }

  // Names of the files in the folder, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // The stored task, decoded; a file that is missing or not a .job file
  // fails the test.
  JobFile StoredJob(const std::string& file_name) const {
    std::ifstream in(path_ + "/" + file_name, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    JobFile job;
    EXPECT_TRUE(ParseJobFile(bytes.data(), bytes.size(), &job)) << file_name;
    return job;
  }

 private:
  std::string root_;
  std::string path_;
};

#endif  // JOBWARDEN_SCHEDULER_TEMPORARY_TASK_FOLDER_H

// For tests of code that starts COM itself: a fresh task folder for the
// Task Scheduler stand-in, with COM left to the code under test, and a way
// to look at what was stored.
#ifndef JOBWARDEN_SCHEDULER_TEMPORARY_TASK_FOLDER_H
#define JOBWARDEN_SCHEDULER_TEMPORARY_TASK_FOLDER_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "job_file.h"
#include "test_task_folder.h"

class TemporaryTaskFolder : public TestTaskFolder {
 public:
  TemporaryTaskFolder() : TestTaskFolder(Com::kLeftAlone) {}

  // The stored task, decoded; a file that is missing or not a .job file
  // fails the test.
  JobFile StoredJob(const std::string& file_name) const {
    const std::string bytes = Read(path() + "/" + file_name);
    JobFile job;
    EXPECT_TRUE(ParseJobFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &job))
        << file_name;
    return job;
  }
  void StoreJob(const std::string& file_name, const JobFile& job) const {
    const std::vector<uint8_t> bytes = SerializeJobFile(job);
    Write(path() + "/" + file_name, std::string(bytes.begin(), bytes.end()));
  }
};

#endif  // JOBWARDEN_SCHEDULER_TEMPORARY_TASK_FOLDER_H

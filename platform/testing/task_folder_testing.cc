#include "platform/testing/task_folder_testing.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/testing/com_recording_testing.h"
#include "platform/testing/local_time_testing.h"

namespace {

bool Earlier(const timespec& a, const timespec& b) {
  return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
}

}  // namespace

TestTaskFolder::TestTaskFolder(Com com) : com_(com), path_(root_.path() + "/tasks") {
  setenv("JOBWARDEN_TASKS_DIR", path_.c_str(), 1);
  if (com_ == Com::kInitialised)
    CoInitialize(nullptr);
  test_hooks::Reset();
}

TestTaskFolder::~TestTaskFolder() {
  if (com_ == Com::kInitialised)
    CoUninitialize();
  test_hooks::Reset();
  test_hooks::ClearFixedLocalTime();
  unsetenv("JOBWARDEN_TASKS_DIR");
}

void TestTaskFolder::Create() const { std::filesystem::create_directories(path_); }

void TestTaskFolder::WaitUntilLastChangeIsPast() const {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    struct stat info = {};
    timespec now = {};
    if (stat(path_.c_str(), &info) != 0 || clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0)
      return;
    if (Earlier(info.st_mtim, now) && Earlier(info.st_ctim, now))
      return;
    usleep(1000);
  }
}

void TestTaskFolder::BackdateModification() const {
  const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, path_.c_str(), times, 0);
}

std::vector<std::string> TestTaskFolder::Files() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(path_, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

JobFile TestTaskFolder::StoredJob(const std::string& file_name) const {
  const std::string bytes = Read(path() + "/" + file_name);
  JobFile job;
  EXPECT_TRUE(ParseJobFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &job))
      << file_name;
  return job;
}

void TestTaskFolder::StoreJob(const std::string& file_name, const JobFile& job) const {
  const std::vector<uint8_t> bytes = SerializeJobFile(job);
  Write(path() + "/" + file_name, std::string(bytes.begin(), bytes.end()));
}

std::string TestTaskFolder::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TestTaskFolder::Write(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

ITaskScheduler* NewScheduler() {
  ITaskScheduler* scheduler = nullptr;
  CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                   reinterpret_cast<void**>(&scheduler));
  return scheduler;
}

void SchedulerFixture::SetUp() {
  references_ = test_hooks::OutstandingReferences();
  allocations_ = test_hooks::OutstandingAllocations();
  scheduler_ = NewScheduler();
  ASSERT_NE(nullptr, scheduler_);
}

void SchedulerFixture::TearDown() {
  if (scheduler_)
    scheduler_->Release();
  EXPECT_EQ(references_, test_hooks::OutstandingReferences());
  EXPECT_EQ(allocations_, test_hooks::OutstandingAllocations());
}

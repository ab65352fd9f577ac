// For the component's tests: a fresh task folder per test (named through
// JOBWARDEN_TASKS_DIR, not yet created), COM initialised on the thread, the
// hooks reset, and everything removed again afterwards.
#ifndef JOBWARDEN_PLATFORM_TEST_TASK_FOLDER_H
#define JOBWARDEN_PLATFORM_TEST_TASK_FOLDER_H

#include <mstask.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_hooks.h"

class TestTaskFolder {
 public:
  // Tests of code that brackets COM itself leave the thread alone.
  enum class Com { kInitialised, kLeftAlone };

  explicit TestTaskFolder(Com com = Com::kInitialised) : com_(com) {
    std::string pattern = (std::filesystem::temp_directory_path() / "taskfolder-XXXXXX").string();
    root_ = mkdtemp(&pattern[0]) ? pattern : "";
    path_ = root_ + "/tasks";
    setenv("JOBWARDEN_TASKS_DIR", path_.c_str(), 1);
    if (com_ == Com::kInitialised)
      CoInitialize(nullptr);
    test_hooks::Reset();
  }
  ~TestTaskFolder() {
    if (com_ == Com::kInitialised)
      CoUninitialize();
    test_hooks::Reset();
    test_hooks::ClearFixedLocalTime();
    unsetenv("JOBWARDEN_TASKS_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TestTaskFolder(const TestTaskFolder&) = delete;
  TestTaskFolder& operator=(const TestTaskFolder&) = delete;

  // A private folder beside the task folder, for files that must stay
  // untouched.
  const std::string& root() const { return root_; }
  const std::string& path() const { return path_; }

  void Create() const { std::filesystem::create_directories(path_); }

  // Waits (a few milliseconds at most) until the kernel's coarse clock has
  // passed the folder's last change, as it has for a folder left alone for
  // a moment: only then does a first save trust NewWorkItem's search.
  void WaitUntilLastChangeIsPast() const {
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

  // Sets the folder's modification time to a moment long past, so that a
  // change shows in it even where the file system keeps coarse times.
  void BackdateModification() const {
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, path_.c_str(), times, 0);
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void Write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }

 private:
  static bool Earlier(const timespec& a, const timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
  }

  Com com_;
  std::string root_;
  std::string path_;
};

inline ITaskScheduler* NewScheduler() {
  ITaskScheduler* scheduler = nullptr;
  CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                   reinterpret_cast<void**>(&scheduler));
  return scheduler;
}

#endif  // JOBWARDEN_PLATFORM_TEST_TASK_FOLDER_H

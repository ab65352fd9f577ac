// Stand-ins for the service's tests: a task store in memory, a launcher
// that records what it was asked to run, a crontab in memory, and a
// throw-away folder.
#ifndef JOBWARDEN_PLATFORM_SERVICE_TEST_DOUBLES_H
#define JOBWARDEN_PLATFORM_SERVICE_TEST_DOUBLES_H

#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "crontab-posix.h"
#include "task_launcher-posix.h"
#include "task_store-posix.h"

namespace service_test {

class MemoryTaskStore : public TaskStore {
 public:
  std::map<std::wstring, JobFile> tasks;
  std::vector<std::wstring> unreadable;

  HRESULT List(std::vector<std::wstring>* file_names) override {
    file_names->clear();
    for (const auto& entry : tasks)
      file_names->push_back(entry.first);
    file_names->insert(file_names->end(), unreadable.begin(), unreadable.end());
    return S_OK;
  }
  HRESULT Read(const std::wstring& file_name, JobFile* job) override {
    for (const std::wstring& name : unreadable) {
      if (name == file_name)
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    auto found = tasks.find(file_name);
    if (found == tasks.end())
      return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    *job = found->second;
    return S_OK;
  }
  HRESULT Update(const std::wstring& file_name, const std::function<bool(JobFile*)>& change) override {
    auto found = tasks.find(file_name);
    if (found == tasks.end())
      return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    JobFile copy = found->second;
    if (!change(&copy))
      return S_FALSE;
    found->second = copy;
    return S_OK;
  }
};

class RecordingLauncher : public TaskLauncher {
 public:
  std::vector<LaunchRequest> requests;
  LaunchOutcome outcome;
  std::function<void()> while_running;

  RecordingLauncher() {
    outcome.started = true;
    outcome.exit_code = 0;
  }
  LaunchOutcome Run(const LaunchRequest& request) override {
    requests.push_back(request);
    if (while_running)
      while_running();
    return outcome;
  }
};

class MemoryCrontab : public Crontab {
 public:
  std::string text;
  bool readable = true;
  int writes = 0;

  bool Read(std::string* out, std::string* error) override {
    if (!readable) {
      *error = "crontab: permission denied";
      return false;
    }
    *out = text;
    return true;
  }
  bool Write(const std::string& in, std::string*) override {
    text = in;
    ++writes;
    return true;
  }
};

// A fresh folder under the temporary directory, removed with its content.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "jobwarden-service-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace service_test

#endif  // JOBWARDEN_PLATFORM_SERVICE_TEST_DOUBLES_H

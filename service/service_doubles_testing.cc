#include "service/service_doubles_testing.h"

#include <stdlib.h>

#include <algorithm>

namespace service_test {

TimeZoneForTest::TimeZoneForTest(const char* zone) {
  const char* before = getenv("TZ");
  had_zone_ = before != nullptr;
  saved_zone_ = before ? before : "";
  setenv("TZ", zone, 1);
  tzset();
}

TimeZoneForTest::~TimeZoneForTest() {
  if (had_zone_)
    setenv("TZ", saved_zone_.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

HRESULT MemoryTaskStore::List(std::vector<std::wstring>* file_names) {
  file_names->clear();
  for (const auto& entry : tasks)
    file_names->push_back(entry.first);
  file_names->insert(file_names->end(), unreadable.begin(), unreadable.end());
  return S_OK;
}

HRESULT MemoryTaskStore::Read(const std::wstring& file_name, JobFile* job, std::string* refusal) {
  for (const std::wstring& name : unreadable) {
    if (name == file_name)
      return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  }
  auto found = tasks.find(file_name);
  if (found == tasks.end())
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  *job = found->second;
  auto distrusted = untrusted.find(file_name);
  if (distrusted != untrusted.end()) {
    if (refusal)
      *refusal = distrusted->second;
    return TRUST_E_SUBJECT_NOT_TRUSTED;
  }
  return S_OK;
}

HRESULT MemoryTaskStore::Update(const std::wstring& file_name,
                                const std::function<bool(JobFile*)>& change) {
  auto found = tasks.find(file_name);
  if (found == tasks.end())
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (untrusted.count(file_name))
    return TRUST_E_SUBJECT_NOT_TRUSTED;
  JobFile copy = found->second;
  if (!change(&copy))
    return S_FALSE;
  found->second = copy;
  return S_OK;
}

void MemoryTaskStore::UpdateBatch(std::vector<TaskChange>* changes) {
  batches += static_cast<int>((changes->size() + kBatchSize - 1) / kBatchSize);
  for (TaskChange& change : *changes)
    change.result = Update(change.file_name, change.change);
}

HRESULT MemoryTaskStore::Remove(const std::wstring& file_name,
                                const std::function<bool(const JobFile&)>& which) {
  auto found = tasks.find(file_name);
  if (found == tasks.end())
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (untrusted.count(file_name))
    return TRUST_E_SUBJECT_NOT_TRUSTED;
  if (!which(found->second))
    return S_FALSE;
  tasks.erase(found);
  return S_OK;
}

bool TestMachine::LoggedOn(const std::string& user) const {
  return std::find(logged_on.begin(), logged_on.end(), user) != logged_on.end();
}

HRESULT MemoryTaskStore::FolderKey(std::string* folder_key) {
  *folder_key = key;
  return S_OK;
}

HRESULT MemoryTaskStore::Find(const std::wstring& name, std::wstring* file_name) {
  for (const std::wstring& candidate : {name, name + L".job"}) {
    if (tasks.count(candidate)) {
      *file_name = candidate;
      return S_OK;
    }
  }
  return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

RecordingLauncher::RecordingLauncher() { start.started = true; }

StartOutcome RecordingLauncher::Start(const LaunchRequest& request) {
  requests.push_back(request);
  StartOutcome outcome = start;
  if (outcome.started) {
    outcome.id = static_cast<int>(requests.size());
    running_.push_back(outcome.id);
  }
  return outcome;
}

// Process ids from 1001 on, one per start.
std::vector<TaskNews> RecordingLauncher::WaitForNews(std::chrono::milliseconds) {
  if (running_.empty())
    return {};
  if (while_running)
    while_running();
  std::vector<TaskNews> news;
  for (int id : running_) {
    TaskNews started;
    started.id = id;
    started.outcome = RunOutcome::kStarted;
    started.pid = 1000 + id;
    news.push_back(started);
    TaskNews ended = end;
    ended.id = id;
    news.push_back(ended);
  }
  running_.clear();
  return news;
}

bool MemoryCrontab::Read(std::string* out, std::string* error) {
  if (!readable) {
    *error = "crontab: permission denied";
    return false;
  }
  *out = text;
  return true;
}

bool MemoryCrontab::Write(const std::string& in, std::string*) {
  text = in;
  ++writes;
  return true;
}

}  // namespace service_test

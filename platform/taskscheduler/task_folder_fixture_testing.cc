#include "platform/taskscheduler/task_folder_fixture_testing.h"

#include "platform/taskscheduler/job_file.h"

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Job(uint8_t uuid_byte, const wchar_t* parameters) {
  JobFile job;
  job.job_uuid[0] = uuid_byte;
  job.parameters = parameters;
  return SerializeJobFile(job);
}

std::wstring ParametersOf(const std::string& bytes) {
  JobFile job;
  EXPECT_TRUE(ParseJobFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &job));
  return job.parameters;
}

HRESULT TaskFolderFixture::Create(const std::wstring& file_name, const std::vector<uint8_t>& bytes,
                                  StoredFile* stored) {
  FolderScan scan;
  HRESULT taken = folder_.FindTakenName(file_name, &scan);
  if (FAILED(taken))
    return taken;
  StoredFile ignored;
  return folder_.CreateTask(file_name, bytes, scan, stored ? stored : &ignored);
}

bool TaskFolderFixture::IsFree(const std::wstring& file_name) {
  FolderScan scan;
  return folder_.FindTakenName(file_name, &scan) == S_FALSE;
}

std::string TaskFolderFixture::FilePath(const std::string& name) const {
  return scratch_.path() + "/" + name;
}

#include "platform/testing/temporary_folder_testing.h"

#include <stdlib.h>

#include <filesystem>

TemporaryFolder::TemporaryFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "jobwarden-test-XXXXXX").string();
  path_ = mkdtemp(pattern.data()) ? pattern : "";
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  if (!path_.empty())
    std::filesystem::remove_all(path_, ignored);
}

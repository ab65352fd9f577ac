// For tests: a fresh folder under the temporary directory, removed with its
// content when the object goes.
#ifndef JOBWARDEN_PLATFORM_TESTING_TEMPORARY_FOLDER_TESTING_H
#define JOBWARDEN_PLATFORM_TESTING_TEMPORARY_FOLDER_TESTING_H

#include <string>

class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

#endif  // JOBWARDEN_PLATFORM_TESTING_TEMPORARY_FOLDER_TESTING_H

// For tests: a fresh folder under the temporary directory, removed with its
// content when the object goes.
#ifndef PLATFORM_TESTING_TEMPORARY_FOLDER_TESTING_H_
#define PLATFORM_TESTING_TEMPORARY_FOLDER_TESTING_H_

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

#endif  // PLATFORM_TESTING_TEMPORARY_FOLDER_TESTING_H_

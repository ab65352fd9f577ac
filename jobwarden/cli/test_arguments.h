// A writable argument vector for tests, with "Jobwarden" as entry 0.
#ifndef JOBWARDEN_CLI_TEST_ARGUMENTS_H
#define JOBWARDEN_CLI_TEST_ARGUMENTS_H

#include <initializer_list>
#include <string>
#include <vector>

class TestArguments {
 public:
  TestArguments(std::initializer_list<std::wstring> arguments) : storage_{L"Jobwarden"} {
    storage_.insert(storage_.end(), arguments.begin(), arguments.end());
    for (std::wstring& argument : storage_)
      pointers_.push_back(&argument[0]);
    pointers_.push_back(nullptr);
  }
  TestArguments(const TestArguments&) = delete;
  TestArguments& operator=(const TestArguments&) = delete;

  int argc() const { return static_cast<int>(storage_.size()); }
  wchar_t** argv() { return pointers_.data(); }
  const std::wstring& at(size_t index) const { return storage_[index]; }

 private:
  std::vector<std::wstring> storage_;
  std::vector<wchar_t*> pointers_;
};

#endif  // JOBWARDEN_CLI_TEST_ARGUMENTS_H

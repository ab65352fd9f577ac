// For tests and fuzzers: an argument vector as a program's entry point
// receives it, over copies it owns: argv[argc] is NULL and every string may
// be changed in place (Jobwarden wipes the password where it found it).
// Wide for Jobwarden's wmain, narrow for osreport's main.
#ifndef PLATFORM_TESTING_ARGUMENT_VECTOR_TESTING_H_
#define PLATFORM_TESTING_ARGUMENT_VECTOR_TESTING_H_

#include <stddef.h>

#include <string>
#include <vector>

template <typename Char>
class ArgumentVector {
 public:
  using String = std::basic_string<Char>;

  // `program` as entry 0, then `arguments`.
  ArgumentVector(const String& program, const std::vector<String>& arguments);
  ArgumentVector(const ArgumentVector&) = delete;
  ArgumentVector& operator=(const ArgumentVector&) = delete;

  int argc() const;
  Char** argv();
  // Entry `index` as it is now, after whatever the program did to it.
  const String& at(size_t index) const;

 private:
  std::vector<String> storage_;
  std::vector<Char*> pointers_;
};

extern template class ArgumentVector<char>;
extern template class ArgumentVector<wchar_t>;

#endif  // PLATFORM_TESTING_ARGUMENT_VECTOR_TESTING_H_

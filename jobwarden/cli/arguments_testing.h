// For tests: Jobwarden's command line, with "Jobwarden" as entry 0.
#ifndef JOBWARDEN_CLI_ARGUMENTS_TESTING_H_
#define JOBWARDEN_CLI_ARGUMENTS_TESTING_H_

#include <initializer_list>
#include <string>

#include "platform/testing/argument_vector_testing.h"

class TestArguments : public ArgumentVector<wchar_t> {
 public:
  TestArguments(std::initializer_list<std::wstring> arguments);
};

#endif  // JOBWARDEN_CLI_ARGUMENTS_TESTING_H_

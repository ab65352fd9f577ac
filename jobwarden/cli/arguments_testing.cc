#include "jobwarden/cli/arguments_testing.h"

TestArguments::TestArguments(std::initializer_list<std::wstring> arguments)
    : ArgumentVector(L"Jobwarden", arguments) {}

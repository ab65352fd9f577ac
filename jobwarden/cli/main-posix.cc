// On POSIX hosts the arguments arrive as UTF-8 bytes; Jobwarden works on
// wide text, so they are converted (losslessly, see wide_text.h) first.
#include <string>
#include <vector>

#include "jobwarden/cli/jobwarden_entry.h"
#include "wide_text.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> arguments;
  arguments.reserve(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i)
    arguments.push_back(WideFromUtf8(argv[i]));

  std::vector<wchar_t*> wide_argv;
  wide_argv.reserve(arguments.size() + 1);
  for (std::wstring& argument : arguments)
    wide_argv.push_back(&argument[0]);
  wide_argv.push_back(nullptr);

  return RunJobwarden(argc, wide_argv.data());
}

// Runs the whole of Jobwarden in-process on an arbitrary argument vector:
// the input is split into arguments at NUL bytes (the one byte a real
// argument cannot hold) and each is decoded as the POSIX entry point does.
// The commands act on a throwaway task folder, emptied every few hundred
// runs so that it stays small and fast.
//
// Besides crashes and sanitizer reports, each run must keep the promises a
// user relies on: exit status 0 or 1, every refusal explained by a message,
// every message starting on a new line, nothing written beside the task
// folder, no temporary file left in it, and every task stored readable.
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jobwarden/cli/jobwarden_entry.h"
#include "jobwarden/support/console_writer.h"
#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/job_file.h"
#include "platform/testing/argument_vector_testing.h"

namespace {

constexpr int kRunsBetweenCleanups = 256;

std::string scratch;  // holds the task folder and nothing else
std::string tasks;
int runs_since_cleanup = 0;

void Check(bool condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "entry_fuzzer: %s\n", what);
    abort();
  }
}

std::vector<std::string> EntriesOf(const std::string& path) {
  std::vector<std::string> names;
  DIR* dir = opendir(path.c_str());
  if (!dir)
    return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  closedir(dir);
  return names;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void CheckTaskFolder(bool parse_and_empty) {
  for (const std::string& name : EntriesOf(scratch))
    Check(name == "tasks", "a file was written beside the task folder");
  for (const std::string& name : EntriesOf(tasks)) {
    const std::string path = tasks + "/" + name;
    struct stat info = {};
    Check(lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode),
          "the task folder holds something other than a file");
    Check(EndsWith(name, ".job"), "a temporary file was left in the task folder");
    if (!parse_and_empty)
      continue;
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    JobFile job;
    Check(ParseJobFile(bytes.data(), bytes.size(), &job), "a stored task cannot be read");
    unlink(path.c_str());
  }
}

void RemoveScratch() {
  CheckTaskFolder(/*parse_and_empty=*/true);
  rmdir(tasks.c_str());
  rmdir(scratch.c_str());
}

std::vector<std::wstring> SplitArguments(const uint8_t* data, size_t size) {
  std::vector<std::wstring> arguments;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.push_back(WideFromUtf8(current));
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (size > 0)
    arguments.push_back(WideFromUtf8(current));
  return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // tmpfs when there is one: every create flushes the folder to disk.
  const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/jobwarden-fuzz-XXXXXX";
  Check(mkdtemp(&pattern[0]) != nullptr, "cannot make a scratch folder");
  scratch = pattern;
  tasks = scratch + "/tasks";
  setenv("JOBWARDEN_TASKS_DIR", tasks.c_str(), 1);
  atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ArgumentVector<wchar_t> arguments(L"Jobwarden", SplitArguments(data, size));
  int status;
  std::wstring output;
  {
    ConsoleCapture capture;
    status = RunJobwarden(arguments.argc(), arguments.argv());
    output = capture.Text();
  }
  Check(status == 0 || status == 1, "exit status other than 0 or 1");
  Check(status == 0 || !output.empty(), "a refusal without a message");
  Check(output.empty() || output[0] == L'\n', "output that does not begin on a new line");

  bool cleanup = ++runs_since_cleanup >= kRunsBetweenCleanups;
  if (cleanup)
    runs_since_cleanup = 0;
  CheckTaskFolder(cleanup);
  return 0;
}

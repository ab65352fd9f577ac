// Test helper: one run of osreport, with its arguments after the program
// name and the version query it is to call.
#ifndef OSREPORT_TEST_RUNS_H_
#define OSREPORT_TEST_RUNS_H_

#include <string>
#include <vector>

#include "osreport.h"
#include "stdout_capture.h"

struct RunResult {
  std::string output;
  int status;
};

inline RunResult RunWith(std::vector<std::string> args,
                         VersionQueryFunction query = GetVersionExA) {
  args.insert(args.begin(), "osreport");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  RunResult run;
  run.output = CapturedStdout([&] {
    run.status = RunOsreport(static_cast<int>(args.size()), argv.data(), query);
  });
  return run;
}

#endif  // OSREPORT_TEST_RUNS_H_

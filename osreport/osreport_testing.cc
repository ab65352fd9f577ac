#include "osreport/osreport_testing.h"

#include "osreport/stdout_capture_testing.h"
#include "platform/testing/argument_vector_testing.h"

RunResult RunWith(const std::vector<std::string>& arguments, VersionQueryFunction query) {
  ArgumentVector<char> command_line("osreport", arguments);
  RunResult run;
  run.output = CapturedStdout(
      [&] { run.status = RunOsreport(command_line.argc(), command_line.argv(), query); });
  return run;
}

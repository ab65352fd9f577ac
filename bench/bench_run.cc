// Times commands the way a user meets them: from fork to the end of the
// process, output discarded. Several commands separated by "--next" run in
// turn, round after round, so that a /create and the /delete that undoes it
// keep the task folder at the size under test.
//
//   bench_run RUNS COMMAND [ARG...] [--next COMMAND [ARG...]]...
//
// One round runs first to warm caches and is not counted. Then prints one
// line per command, in the order given:
//   <median nanoseconds> <largest peak resident KiB> <exit status or "mixed">
// and, with BENCH_ROUND_TOTAL set in the environment, one more such line for
// the commands of a round together.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Sample {
  int64_t nanoseconds = 0;
  long peak_kib = 0;
  int status = -1;  // the exit status, or -1 when killed by a signal
};

struct Measured {
  std::vector<char*> argv;  // null-terminated, for execvp
  std::vector<Sample> samples;
};

int64_t Now() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// Output goes to /dev/null: a terminal or pipe would time the reader too.
[[noreturn]] void RunChild(char* const* argv) {
  int null_fd = open("/dev/null", O_WRONLY);
  if (null_fd >= 0) {
    dup2(null_fd, STDOUT_FILENO);
    dup2(null_fd, STDERR_FILENO);
  }
  execvp(argv[0], argv);
  _exit(127);
}

Sample RunOnce(const Measured& command) {
  Sample sample;
  const int64_t start = Now();
  pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    std::exit(2);
  }
  if (child == 0)
    RunChild(command.argv.data());
  int status = 0;
  rusage usage = {};
  while (wait4(child, &status, 0, &usage) < 0) {
  }
  sample.nanoseconds = Now() - start;
  sample.peak_kib = usage.ru_maxrss;
  sample.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return sample;
}

std::vector<Measured> ParseCommands(int argc, char** argv) {
  std::vector<Measured> commands(1);
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--next") == 0) {
      commands.emplace_back();
      continue;
    }
    commands.back().argv.push_back(argv[i]);
  }
  for (Measured& command : commands) {
    if (command.argv.empty()) {
      std::fprintf(stderr, "bench_run: empty command\n");
      std::exit(2);
    }
    command.argv.push_back(nullptr);
  }
  return commands;
}

void Report(const Measured& command) {
  std::vector<int64_t> times;
  long peak_kib = 0;
  bool same_status = true;
  for (const Sample& sample : command.samples) {
    times.push_back(sample.nanoseconds);
    peak_kib = std::max(peak_kib, sample.peak_kib);
    same_status = same_status && sample.status == command.samples.front().status;
  }
  std::sort(times.begin(), times.end());
  const std::string status = same_status ? std::to_string(command.samples.front().status) : "mixed";
  std::printf("%lld %ld %s\n", static_cast<long long>(times[times.size() / 2]), peak_kib,
              status.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 2 ? std::atoi(argv[1]) : 0;
  if (runs < 1) {
    std::fprintf(stderr, "usage: bench_run RUNS COMMAND [ARG...] [--next COMMAND [ARG...]]...\n");
    return 2;
  }
  std::vector<Measured> commands = ParseCommands(argc, argv);
  for (Measured& command : commands)
    RunOnce(command);
  for (int round = 0; round < runs; ++round) {
    for (Measured& command : commands)
      command.samples.push_back(RunOnce(command));
  }
  for (const Measured& command : commands)
    Report(command);
  // With BENCH_ROUND_TOTAL set, one more line: the commands of each round
  // taken together (a /create and the /delete that undoes it), median of
  // the rounds' sums.
  if (std::getenv("BENCH_ROUND_TOTAL")) {
    Measured total;
    for (int round = 0; round < runs; ++round) {
      Sample sum;
      sum.status = commands.front().samples[round].status;
      for (const Measured& command : commands) {
        const Sample& sample = command.samples[round];
        sum.nanoseconds += sample.nanoseconds;
        sum.peak_kib = std::max(sum.peak_kib, sample.peak_kib);
        if (sample.status != sum.status)
          sum.status = -1;
      }
      total.samples.push_back(sum);
    }
    Report(total);
  }
  return 0;
}

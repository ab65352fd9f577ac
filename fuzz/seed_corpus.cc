// Writes the starting corpora of both fuzzers into two folders:
//   seed_corpus <entry folder> <job file folder>
// The .job seeds come from our own writer, one per trigger kind plus a few
// shapes of the variable-length section, so the reader fuzzer starts from
// files that get past the header checks instead of having to guess them.
// The command-line seeds are argument vectors split at NUL bytes, one per
// command and one per kind of refusal.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/taskscheduler/job_file.h"
#include "platform/testing/trigger_testing.h"

namespace {

using namespace test_triggers;

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file)
    return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// The richer form of a kind where there is one, so the seeds reach the
// repetition and end-date fields too.
TASK_TRIGGER SeedTrigger(TASK_TRIGGER_TYPE type) {
  if (type == TASK_TIME_TRIGGER_DAILY)
    return HourlyTestTrigger();
  if (type == TASK_TIME_TRIGGER_MONTHLYDOW)
    return LastWeekdaysTestTrigger();
  return TestTrigger(type);
}

std::vector<JobFile> JobSeeds() {
  std::vector<JobFile> jobs;
  for (TASK_TRIGGER_TYPE type : kAllTriggerTypes) {
    JobFile job;
    job.application_name = L"C:\\Tools\\backup.exe";
    job.parameters = L" --all";
    job.account_name = L"Operator";
    job.triggers.push_back(SeedTrigger(type));
    jobs.push_back(job);
  }
  JobFile bare;  // as the first save of /create leaves it
  jobs.push_back(bare);

  JobFile full;
  full.application_name = L"\x00e9t\x00e9.exe";
  full.parameters = L"\"quoted\" \xd83d\xde00";
  full.working_directory = L"C:\\";
  full.author = L"Jobwarden";
  full.comment = L"two triggers and data";
  full.user_data = {1, 2, 3};
  full.reserved_data = {0, 0, 0, 0, 0, 0, 0, 0};
  full.triggers = {SeedTrigger(TASK_TIME_TRIGGER_DAILY), SeedTrigger(TASK_TIME_TRIGGER_WEEKLY)};
  jobs.push_back(full);
  return jobs;
}

std::vector<std::string> CommandLineSeeds() {
  // NUL separates the arguments; argv[0] is added by the fuzzer.
  using namespace std::string_literals;
  return {
      "/create\0/tn\0Backup\0/sc\0daily\0/ru\0system\0/tr\0C:\\x.exe /s"s,
      "/create\0/tn\0Report\0/sc\0WEEKLY\0/ru\0Operator\0/rp\0pw\0/tr\0\"C:\\a b\\r.exe\" -q"s,
      "/create\0/tn\0Hourly\0/sc\0hourly\0/tr\0cleanup"s,
      "-create\0-tn\0Monthly\0-sc\0Monthly"s,
      "/query"s,
      "/delete\0/tn\0Backup"s,
      "/delete\0/tn\0Backup.job"s,
      "/?"s,
      "/create\0/query"s,
      "/query\0/ru\0Operator"s,
      "/create\0/tn\0..\0/sc\0daily"s,
      "/create\0/tn\0CON\0/sc\0daily"s,
      "/create\0/tn\0a/b\0/sc\0daily"s,
      "/create\0/tn\0x\0/sc\0yearly"s,
      "/tn\0\xff\xfe"s,
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: seed_corpus <entry folder> <job file folder>\n");
    return 2;
  }
  const std::vector<std::string> command_lines = CommandLineSeeds();
  for (size_t i = 0; i < command_lines.size(); ++i) {
    const std::string& text = command_lines[i];
    if (!WriteFile(std::string(argv[1]) + "/seed-" + std::to_string(i),
                   std::vector<uint8_t>(text.begin(), text.end())))
      return 1;
  }
  const std::vector<JobFile> jobs = JobSeeds();
  for (size_t i = 0; i < jobs.size(); ++i) {
    std::vector<uint8_t> bytes = SerializeJobFile(jobs[i]);
    if (bytes.empty() ||
        !WriteFile(std::string(argv[2]) + "/seed-" + std::to_string(i) + ".job", bytes))
      return 1;
  }
  return 0;
}

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

#include "job_file.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file)
    return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

TASK_TRIGGER TriggerOfType(TASK_TRIGGER_TYPE type) {
  TASK_TRIGGER trigger = {};
  trigger.cbTriggerSize = sizeof(TASK_TRIGGER);
  trigger.wBeginYear = 2026;
  trigger.wBeginMonth = 12;
  trigger.wBeginDay = 7;
  trigger.wStartHour = 10;
  trigger.wStartMinute = 21;
  trigger.TriggerType = type;
  switch (type) {
    case TASK_TIME_TRIGGER_DAILY:
      trigger.Type.Daily.DaysInterval = 1;
      trigger.MinutesInterval = 60;
      trigger.MinutesDuration = 1440;
      break;
    case TASK_TIME_TRIGGER_WEEKLY:
      trigger.Type.Weekly.WeeksInterval = 1;
      trigger.Type.Weekly.rgfDaysOfTheWeek = 0x7F;
      break;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      trigger.Type.MonthlyDate.rgfDays = 0x0000FFFF;
      trigger.Type.MonthlyDate.rgfMonths = 0x0FFF;
      break;
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      trigger.Type.MonthlyDOW.wWhichWeek = 5;
      trigger.Type.MonthlyDOW.rgfDaysOfTheWeek = 0x41;
      trigger.Type.MonthlyDOW.rgfMonths = 0x801;
      trigger.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
      trigger.wEndYear = 2030;
      trigger.wEndMonth = 2;
      trigger.wEndDay = 28;
      break;
    default:
      break;
  }
  return trigger;
}

std::vector<JobFile> JobSeeds() {
  std::vector<JobFile> jobs;
  const TASK_TRIGGER_TYPE kTypes[] = {
      TASK_TIME_TRIGGER_ONCE,        TASK_TIME_TRIGGER_DAILY,
      TASK_TIME_TRIGGER_WEEKLY,      TASK_TIME_TRIGGER_MONTHLYDATE,
      TASK_TIME_TRIGGER_MONTHLYDOW,  TASK_EVENT_TRIGGER_ON_IDLE,
      TASK_EVENT_TRIGGER_AT_SYSTEMSTART, TASK_EVENT_TRIGGER_AT_LOGON,
  };
  for (TASK_TRIGGER_TYPE type : kTypes) {
    JobFile job;
    job.application_name = L"C:\\Tools\\backup.exe";
    job.parameters = L" --all";
    job.account_name = L"Operator";
    job.triggers.push_back(TriggerOfType(type));
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
  full.triggers = {TriggerOfType(TASK_TIME_TRIGGER_DAILY),
                   TriggerOfType(TASK_TIME_TRIGGER_WEEKLY)};
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

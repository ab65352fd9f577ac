#include "service/missed_runs.h"

#include "platform/posix/wide_text.h"
#include "service/local_clock.h"
#include "service/run_events.h"
#include "service/run_record.h"

namespace {

constexpr time_t kMinute = 60;

}  // namespace

// From one run to the next by NextRunTime, not minute by minute: a daily
// task over a year's gap takes a step a day, at most kMissedRunsCounted.
MissedRuns CountMissedRuns(const JobFile& job, time_t noted, time_t minute) {
  MissedRuns missed;
  for (std::optional<time_t> next = NextRunTime(job, StartOfMinute(noted) + kMinute);
       next && *next < minute; next = NextRunTime(job, *next + kMinute)) {
    if (missed.count == kMissedRunsCounted) {
      missed.more = true;
      break;
    }
    if (missed.count++ == 0)
      missed.first = *next;
    missed.last = *next;
  }
  return missed;
}

std::vector<std::string> MissedRunEvents(TaskStore& store, time_t noted, time_t minute) {
  std::vector<std::string> events;
  std::vector<std::wstring> names;
  if (StartOfMinute(noted) + kMinute >= minute || FAILED(store.List(&names)))
    return events;
  for (const std::wstring& file_name : names) {
    JobFile job;
    if (store.Read(file_name, &job) != S_OK)
      continue;
    const MissedRuns missed = CountMissedRuns(job, noted, minute);
    if (missed.count > 0)
      events.push_back(MissedEventText(Utf8FromWide(file_name), missed.count, missed.more,
                                       LocalSystemTime(missed.first),
                                       LocalSystemTime(missed.last)));
  }
  return events;
}

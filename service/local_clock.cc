#include "service/local_clock.h"

#include <algorithm>
#include <initializer_list>

using std::chrono::days;
using std::chrono::hours;
using std::chrono::local_days;
using std::chrono::minutes;

namespace {

constexpr time_t kMinute = 60;
// Longer than any gap or repeated stretch a time zone has had (Samoa
// skipped a whole day in 2011), so that a change within it is seen.
constexpr minutes kLongestClockChange{25 * 60};
// How far back a fall-back change can lie for a minute to be a repetition.
constexpr time_t kFallBackReach = 3 * 3600;
// Bounds the search past repeated minutes (a repetition every minute
// through a repeated hour).
constexpr int kMaxRepeatedSkips = 26 * 60;

long OffsetAt(time_t when) { return LocalParts(when).tm_gmtoff; }

// The wall time read as if it were UTC, in seconds since 1970.
time_t WallAsUtc(WallMinute minute) {
  return static_cast<time_t>(minute.time_since_epoch().count()) * kMinute;
}

// Whether the wall minute of the real minute `when` was shown before, an
// hour or so earlier (the clock was set back since).
bool ShownBefore(time_t when) {
  const long offset_now = OffsetAt(when);
  const long offset_before = OffsetAt(when - kFallBackReach);
  if (offset_before <= offset_now)
    return false;
  return WallMinuteAt(when - (offset_before - offset_now)) == WallMinuteAt(when);
}

}  // namespace

time_t Now() {
  timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec;
}

tm LocalParts(time_t when) {
  tm parts = {};
  localtime_r(&when, &parts);
  return parts;
}

WallMinute WallMinuteAt(time_t when) {
  const tm parts = LocalParts(when);
  const std::chrono::year_month_day date{
      std::chrono::year{parts.tm_year + 1900},
      std::chrono::month{static_cast<unsigned>(parts.tm_mon + 1)},
      std::chrono::day{static_cast<unsigned>(parts.tm_mday)}};
  return local_days{date} + hours{parts.tm_hour} + minutes{parts.tm_min};
}

time_t StartOfMinute(time_t when) { return when - LocalParts(when).tm_sec; }

time_t FirstRealMinute(WallMinute minute) {
  const time_t as_utc = WallAsUtc(minute);
  long lowest = OffsetAt(as_utc), highest = lowest;
  std::optional<time_t> first;
  for (time_t probe : {as_utc - 86400, as_utc, as_utc + 86400}) {
    for (long offset : {OffsetAt(probe), OffsetAt(as_utc - OffsetAt(probe))}) {
      lowest = std::min(lowest, offset);
      highest = std::max(highest, offset);
      const time_t candidate = as_utc - offset;
      if (WallMinuteAt(candidate) == minute && (!first || candidate < *first))
        first = candidate;
    }
  }
  if (first)
    return StartOfMinute(*first);
  // Skipped: wall time rises across the gap, so search between the times
  // that the offsets before and after it give.
  time_t before = as_utc - highest, after = as_utc - lowest;
  while (after - before > kMinute) {
    const time_t middle = before + (after - before) / (2 * kMinute) * kMinute;
    if (WallMinuteAt(middle) > minute)
      after = middle;
    else
      before = middle;
  }
  return StartOfMinute(after);
}

bool IsDueAt(const JobFile& job, const TASK_TRIGGER& trigger, time_t minute) {
  const WallMinute now = WallMinuteAt(minute);
  if (IsDueInMinute(job, trigger, now))
    return !ShownBefore(minute);
  const WallMinute previous = WallMinuteAt(minute - kMinute);
  for (WallMinute skipped = previous + minutes{1};
       skipped < now && now - skipped <= kLongestClockChange; skipped += minutes{1}) {
    if (IsDueInMinute(job, trigger, skipped))
      return true;
  }
  return false;
}

bool IsJobDueAt(const JobFile& job, time_t minute) {
  return std::any_of(job.triggers.begin(), job.triggers.end(),
                     [&](const TASK_TRIGGER& trigger) { return IsDueAt(job, trigger, minute); });
}

std::optional<time_t> NextRunTime(const JobFile& job, time_t from) {
  const time_t start = StartOfMinute(from);
  std::optional<time_t> earliest;
  for (const TASK_TRIGGER& trigger : job.triggers) {
    // From the minute after the previous one, so that wall times a gap just
    // skipped are found too.
    WallMinute search = WallMinuteAt(start - kMinute) + minutes{1};
    for (int tries = 0; tries < kMaxRepeatedSkips; ++tries) {
      const std::optional<WallMinute> due = NextDueMinute(job, trigger, search);
      if (!due)
        break;
      const time_t real = FirstRealMinute(*due);
      if (real >= start) {
        if (!earliest || real < *earliest)
          earliest = real;
        break;
      }
      search = *due + minutes{1};
    }
  }
  return earliest;
}

#include "service/trigger_days.h"

#include <algorithm>

#include "platform/taskscheduler/trigger_range.h"

using std::chrono::days;
using std::chrono::local_days;
using std::chrono::weekday;
using std::chrono::year_month_day;

namespace {

constexpr WORD kFirstWeek = 1;  // TASK_FIRST_WEEK
constexpr WORD kLastWeek = 5;   // TASK_LAST_WEEK

// Every month pattern that has a day at all has one within nine years: the
// rarest, 29 February alone, comes back at most eight years later (1896 to
// 1904). A longer search finds nothing new.
constexpr days kMonthlySearch{9 * 366 + 31};

bool WeekdayChosen(WORD days_of_week, local_days day) {
  return (days_of_week >> weekday{day}.c_encoding()) & 1;
}

local_days SundayOfWeek(local_days day) { return day - (weekday{day} - std::chrono::Sunday); }

bool MonthlyMatch(const TASK_TRIGGER& trigger, local_days day) {
  const year_month_day date{day};
  const unsigned month = static_cast<unsigned>(date.month());
  const unsigned day_of_month = static_cast<unsigned>(date.day());
  if (trigger.TriggerType == TASK_TIME_TRIGGER_MONTHLYDATE) {
    const MONTHLYDATE& pattern = trigger.Type.MonthlyDate;
    return ((pattern.rgfMonths >> (month - 1)) & 1) &&
           ((pattern.rgfDays >> (day_of_month - 1)) & 1);
  }
  const MONTHLYDOW& pattern = trigger.Type.MonthlyDOW;
  if (!((pattern.rgfMonths >> (month - 1)) & 1) || !WeekdayChosen(pattern.rgfDaysOfTheWeek, day))
    return false;
  if (pattern.wWhichWeek == kLastWeek) {
    const unsigned last =
        static_cast<unsigned>((date.year() / date.month() / std::chrono::last).day());
    return day_of_month + 7 > last;
  }
  return (day_of_month - 1) / 7 + kFirstWeek == pattern.wWhichWeek;
}

bool MonthlyPossible(const TASK_TRIGGER& trigger) {
  if (trigger.TriggerType == TASK_TIME_TRIGGER_MONTHLYDATE)
    return (trigger.Type.MonthlyDate.rgfMonths & 0x0FFF) && trigger.Type.MonthlyDate.rgfDays;
  const MONTHLYDOW& pattern = trigger.Type.MonthlyDOW;
  return (pattern.rgfMonths & 0x0FFF) && (pattern.rgfDaysOfTheWeek & 0x7F) &&
         pattern.wWhichWeek >= kFirstWeek && pattern.wWhichWeek <= kLastWeek;
}

// Weekly: week 0 is the week of the begin day; weeks 0, N, 2N, ... are on.
struct WeeklyPattern {
  local_days begin;
  local_days first_sunday;
  long interval;
  WORD days_of_week;

  long WeekOf(local_days day) const { return (SundayOfWeek(day) - first_sunday).count() / 7; }
  local_days SundayOf(long week) const { return first_sunday + days{7 * week}; }
  bool Starts(local_days day) const { return day >= begin && WeekdayChosen(days_of_week, day); }
};

std::optional<local_days> LatestWeekly(const WeeklyPattern& pattern, local_days day) {
  long week = pattern.WeekOf(day);
  long on_week = week - week % pattern.interval;
  local_days from = on_week == week ? day : pattern.SundayOf(on_week) + days{6};
  for (;;) {
    for (local_days candidate = from; candidate >= pattern.SundayOf(on_week);
         candidate -= days{1}) {
      if (pattern.Starts(candidate))
        return candidate;
    }
    if (on_week == 0)
      return std::nullopt;
    on_week -= pattern.interval;
    from = pattern.SundayOf(on_week) + days{6};
  }
}

std::optional<local_days> EarliestWeekly(const WeeklyPattern& pattern, local_days day) {
  long week = pattern.WeekOf(day);
  long on_week =
      week % pattern.interval == 0 ? week : week + pattern.interval - week % pattern.interval;
  local_days from = on_week == week ? day : pattern.SundayOf(on_week);
  // Every "on" week after the first holds each chosen weekday.
  for (int weeks_tried = 0; weeks_tried < 2; ++weeks_tried) {
    for (local_days candidate = from; candidate < pattern.SundayOf(on_week + 1);
         candidate += days{1}) {
      if (pattern.Starts(candidate))
        return candidate;
    }
    on_week += pattern.interval;
    from = pattern.SundayOf(on_week);
  }
  return std::nullopt;
}

}  // namespace

std::optional<local_days> CalendarDay(WORD year, WORD month, WORD day) {
  // Checked first: std::chrono::month and day wrap above 255, and year
  // above 32767, so a damaged file's day 257 would become the 1st.
  if (!IsCalendarDate(year, month, day))
    return std::nullopt;
  return local_days{
      year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}}};
}

std::optional<local_days> LatestStartDay(const TASK_TRIGGER& trigger, local_days day) {
  const std::optional<local_days> begin =
      CalendarDay(trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay);
  if (!begin || day < *begin)
    return std::nullopt;
  switch (trigger.TriggerType) {
    case TASK_TIME_TRIGGER_ONCE:
      return begin;
    case TASK_TIME_TRIGGER_DAILY: {
      const long interval = trigger.Type.Daily.DaysInterval;
      if (interval == 0)
        return std::nullopt;
      return *begin + days{(day - *begin).count() / interval * interval};
    }
    case TASK_TIME_TRIGGER_WEEKLY: {
      const WEEKLY& weekly = trigger.Type.Weekly;
      if (weekly.WeeksInterval == 0 || (weekly.rgfDaysOfTheWeek & 0x7F) == 0)
        return std::nullopt;
      return LatestWeekly(
          {*begin, SundayOfWeek(*begin), weekly.WeeksInterval, weekly.rgfDaysOfTheWeek}, day);
    }
    case TASK_TIME_TRIGGER_MONTHLYDATE:
    case TASK_TIME_TRIGGER_MONTHLYDOW: {
      if (!MonthlyPossible(trigger))
        return std::nullopt;
      const local_days stop = std::max(*begin, day - kMonthlySearch);
      for (local_days candidate = day; candidate >= stop; candidate -= days{1}) {
        if (MonthlyMatch(trigger, candidate))
          return candidate;
      }
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::optional<local_days> EarliestStartDay(const TASK_TRIGGER& trigger, local_days day) {
  const std::optional<local_days> begin =
      CalendarDay(trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay);
  if (!begin)
    return std::nullopt;
  day = std::max(day, *begin);
  switch (trigger.TriggerType) {
    case TASK_TIME_TRIGGER_ONCE:
      if (day > *begin)
        return std::nullopt;
      return begin;
    case TASK_TIME_TRIGGER_DAILY: {
      const long interval = trigger.Type.Daily.DaysInterval;
      if (interval == 0)
        return std::nullopt;
      const long steps = ((day - *begin).count() + interval - 1) / interval;
      return *begin + days{steps * interval};
    }
    case TASK_TIME_TRIGGER_WEEKLY: {
      const WEEKLY& weekly = trigger.Type.Weekly;
      if (weekly.WeeksInterval == 0 || (weekly.rgfDaysOfTheWeek & 0x7F) == 0)
        return std::nullopt;
      return EarliestWeekly(
          {*begin, SundayOfWeek(*begin), weekly.WeeksInterval, weekly.rgfDaysOfTheWeek}, day);
    }
    case TASK_TIME_TRIGGER_MONTHLYDATE:
    case TASK_TIME_TRIGGER_MONTHLYDOW: {
      if (!MonthlyPossible(trigger))
        return std::nullopt;
      for (local_days candidate = day; candidate < day + kMonthlySearch; candidate += days{1}) {
        if (MonthlyMatch(trigger, candidate))
          return candidate;
      }
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

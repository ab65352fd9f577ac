// The calendar days on which a time trigger starts, from the trigger alone:
// once (the begin day), daily (every DaysInterval days from the begin day),
// weekly (the chosen weekdays of every WeeksInterval-th week, weeks running
// Sunday to Saturday and counted from the week of the begin day), monthly by
// date (the chosen days 1 to 31 of the chosen months; a day the month does
// not have is skipped) and monthly by weekday (the chosen weekdays in the
// first to fourth seven days of the chosen months, or in their last seven).
// No day before the begin day; the end date is the due rule's business. An
// invalid begin date, a zero interval or an empty choice has no days.
#ifndef SERVICE_TRIGGER_DAYS_H_
#define SERVICE_TRIGGER_DAYS_H_

#include <mstask.h>

#include <chrono>
#include <optional>

// The day that the year, month and day fields name, if they name one.
std::optional<std::chrono::local_days> CalendarDay(WORD year, WORD month, WORD day);

// The last day on or before `day` on which `trigger` starts.
std::optional<std::chrono::local_days> LatestStartDay(const TASK_TRIGGER& trigger,
                                                      std::chrono::local_days day);

// The first day on or after `day` on which `trigger` starts.
std::optional<std::chrono::local_days> EarliestStartDay(const TASK_TRIGGER& trigger,
                                                        std::chrono::local_days day);

#endif  // SERVICE_TRIGGER_DAYS_H_

// For tests and the fuzz seeds: triggers, and wall-clock minutes, written
// as the dates and times they stand for ("2026-12-07 10:21"), so that a test
// sets only the fields it is about.
#ifndef PLATFORM_TESTING_TRIGGER_TESTING_H_
#define PLATFORM_TESTING_TRIGGER_TESTING_H_

#include <mstask.h>

#include <chrono>

namespace test_triggers {

inline constexpr TASK_TRIGGER_TYPE kAllTriggerTypes[] = {
    TASK_TIME_TRIGGER_ONCE,
    TASK_TIME_TRIGGER_DAILY,
    TASK_TIME_TRIGGER_WEEKLY,
    TASK_TIME_TRIGGER_MONTHLYDATE,
    TASK_TIME_TRIGGER_MONTHLYDOW,
    TASK_EVENT_TRIGGER_ON_IDLE,
    TASK_EVENT_TRIGGER_AT_SYSTEMSTART,
    TASK_EVENT_TRIGGER_AT_LOGON,
};

// The local calendar and clock, to the minute, as a trigger's fields are
// written.
std::chrono::local_time<std::chrono::minutes> At(const char* date_and_time);

// A trigger of `type` that begins on the day and at the time of `begin`,
// every other field zero.
TASK_TRIGGER Trigger(TASK_TRIGGER_TYPE type, const char* begin);

TASK_TRIGGER Once(const char* begin);
TASK_TRIGGER Daily(const char* begin, WORD days_interval = 1);
TASK_TRIGGER Weekly(const char* begin, WORD weeks_interval, WORD days_of_week);
TASK_TRIGGER MonthlyDate(const char* begin, DWORD days, WORD months = 0x0FFF);
TASK_TRIGGER MonthlyDow(const char* begin, WORD which_week, WORD days_of_week,
                        WORD months = 0x0FFF);

// `trigger` repeated every `interval` minutes for `duration` minutes.
TASK_TRIGGER Repeating(TASK_TRIGGER trigger, DWORD interval, DWORD duration);
// `trigger` with an end date.
TASK_TRIGGER Ending(TASK_TRIGGER trigger, WORD year, WORD month, WORD day);
TASK_TRIGGER Disabled(TASK_TRIGGER trigger);

constexpr DWORD Day(int day_of_month) { return 1u << (day_of_month - 1); }
constexpr WORD Month(int month) { return static_cast<WORD>(1u << (month - 1)); }

// A trigger of `type` as the client fills it at 10:20 on 12/7/2026 (begin
// date today, start one minute later), on its plainest schedule: every
// day, every day of every week, every day of every month, the first Monday
// of every month.
TASK_TRIGGER TestTrigger(TASK_TRIGGER_TYPE type);

// Every day, repeated every hour for the whole day (what /sc hourly makes).
TASK_TRIGGER HourlyTestTrigger();

// The last Sunday and Saturday of January and December, ending 2/28/2030:
// the week past the fourth, several days and months, and an end date.
TASK_TRIGGER LastWeekdaysTestTrigger();

}  // namespace test_triggers

#endif  // PLATFORM_TESTING_TRIGGER_TESTING_H_

#include "platform/taskscheduler/trigger_text.h"

#include <string>

#include "platform/taskscheduler/trigger_range.h"

namespace {

// Appends decimal digits. Not std::to_wstring, which goes through the C
// library's wide printf: a listing of 10,000 tasks spent more in it than in
// reading their files' texts.
void AppendNumber(unsigned long value, std::wstring* text) {
  wchar_t digits[20];
  const size_t end = sizeof digits / sizeof digits[0];
  size_t start = end;
  do {
    digits[--start] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  text->append(digits + start, digits + end);
}

std::wstring Number(unsigned long value) {
  std::wstring text;
  AppendNumber(value, &text);
  return text;
}

// 24-hour clock with two-digit minutes: "9:05", "23:59".
void AppendTime(WORD hour, WORD minute, std::wstring* text) {
  AppendNumber(hour, text);
  *text += minute < 10 ? L":0" : L":";
  AppendNumber(minute, text);
}

// Month/day/year without padding: "12/7/2026".
void AppendDate(WORD year, WORD month, WORD day, std::wstring* text) {
  AppendNumber(month, text);
  *text += L'/';
  AppendNumber(day, text);
  *text += L'/';
  AppendNumber(year, text);
}

// The names of the bits set in `bits`, lowest first, joined by ", ".
std::wstring BitNames(DWORD bits, const wchar_t* const* names, unsigned count) {
  std::wstring text;
  for (unsigned i = 0; i < count; ++i) {
    if ((bits >> i) & 1) {
      if (!text.empty())
        text += L", ";
      text += names[i];
    }
  }
  return text;
}

std::wstring DayOfWeekNames(WORD days) {
  static const wchar_t* const kNames[7] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
  return BitNames(days, kNames, 7);
}

// "every month" when all twelve are set, else the month names.
std::wstring MonthsText(WORD months) {
  static const wchar_t* const kNames[12] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                            L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  if ((months & kAllMonths) == kAllMonths)
    return L"every month";
  return BitNames(months, kNames, 12);
}

std::wstring DaysOfMonthText(DWORD days) {
  std::wstring text;
  for (unsigned day = 1; day <= 31; ++day) {
    if ((days >> (day - 1)) & 1) {
      if (!text.empty())
        text += L", ";
      text += Number(day);
    }
  }
  return text;
}

std::wstring WhichWeekText(WORD which) {
  static const wchar_t* const kNames[5] = {L"first", L"second", L"third", L"fourth", L"last"};
  return which >= 1 && which <= 5 ? kNames[which - 1] : L"unknown";
}

// Whole hours when the minutes divide evenly, else minutes.
std::wstring SpanText(DWORD minutes) {
  if (minutes != 0 && minutes % 60 == 0)
    return Number(minutes / 60) + L" hour(s)";
  return Number(minutes) + L" minute(s)";
}

// "At 10:21", or for a repeating trigger
// "Every 1 hour(s) from 10:21 for a duration of 24 hour(s)".
std::wstring WhenText(const TASK_TRIGGER& trigger) {
  std::wstring text;
  text.reserve(64);  // the whole description, mostly: it is built onto this
  if (trigger.MinutesInterval == 0) {
    text += L"At ";
    AppendTime(trigger.wStartHour, trigger.wStartMinute, &text);
    return text;
  }
  text += L"Every " + SpanText(trigger.MinutesInterval) + L" from ";
  AppendTime(trigger.wStartHour, trigger.wStartMinute, &text);
  text += L" for a duration of " + SpanText(trigger.MinutesDuration);
  return text;
}

// "day" or "2 days", "week" or "3 weeks".
std::wstring EveryText(WORD interval, const wchar_t* unit) {
  if (interval <= 1)
    return std::wstring(L"every ") + unit;
  return L"every " + Number(interval) + L" " + unit + L"s";
}

// What sets the recurring kinds apart: " every day", " on day 1, 2 of every month".
std::wstring PatternText(const TASK_TRIGGER& trigger) {
  const TRIGGER_TYPE_UNION& type = trigger.Type;
  switch (TriggerTypeCode(trigger)) {
    case TASK_TIME_TRIGGER_DAILY:
      return L" " + EveryText(type.Daily.DaysInterval, L"day");
    case TASK_TIME_TRIGGER_WEEKLY:
      return L" every " + DayOfWeekNames(type.Weekly.rgfDaysOfTheWeek) + L" of " +
             EveryText(type.Weekly.WeeksInterval, L"week");
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      return L" on day " + DaysOfMonthText(type.MonthlyDate.rgfDays) + L" of " +
             MonthsText(type.MonthlyDate.rgfMonths);
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      return L" on the " + WhichWeekText(type.MonthlyDOW.wWhichWeek) + L" " +
             DayOfWeekNames(type.MonthlyDOW.rgfDaysOfTheWeek) + L" of " +
             MonthsText(type.MonthlyDOW.rgfMonths);
    default:
      return std::wstring();
  }
}

void AppendDateRange(const TASK_TRIGGER& trigger, std::wstring* text) {
  *text += L", starting ";
  AppendDate(trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay, text);
  if (trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE) {
    *text += L", ending ";
    AppendDate(trigger.wEndYear, trigger.wEndMonth, trigger.wEndDay, text);
  }
}

std::wstring ScheduleText(const TASK_TRIGGER& trigger) {
  switch (TriggerTypeCode(trigger)) {
    case TASK_TIME_TRIGGER_ONCE: {
      std::wstring text = WhenText(trigger);
      text += L" on ";
      AppendDate(trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay, &text);
      return text;
    }
    case TASK_TIME_TRIGGER_DAILY:
    case TASK_TIME_TRIGGER_WEEKLY:
    case TASK_TIME_TRIGGER_MONTHLYDATE:
    case TASK_TIME_TRIGGER_MONTHLYDOW: {
      std::wstring text = WhenText(trigger);
      text += PatternText(trigger);
      AppendDateRange(trigger, &text);
      return text;
    }
    case TASK_EVENT_TRIGGER_ON_IDLE:
      return L"Run whenever the computer becomes idle";
    case TASK_EVENT_TRIGGER_AT_SYSTEMSTART:
      return L"At system startup";
    case TASK_EVENT_TRIGGER_AT_LOGON:
      return L"At log on";
  }
  return L"Unknown schedule";
}

}  // namespace

std::wstring DescribeTrigger(const TASK_TRIGGER& trigger, DWORD task_flags) {
  std::wstring text = ScheduleText(trigger);
  if (trigger.rgFlags & TASK_TRIGGER_FLAG_KILL_AT_DURATION_END)
    text += L", stopped when the duration ends";
  if (trigger.rgFlags & TASK_TRIGGER_FLAG_DISABLED)
    text += L" (disabled)";
  if (task_flags & TASK_FLAG_DISABLED)
    text += L" (task disabled)";
  return text;
}

#include "platform/taskscheduler/job_trigger_record.h"

#include "platform/taskscheduler/trigger_type_code.h"

// The type-specific part of a trigger is eight bytes: a DWORD and a WORD for
// monthly-date triggers, three WORDs for every other type (the daily and
// weekly fields share their places with the monthly day-of-week ones),
// followed by padding.
void WriteTriggerRecord(const TASK_TRIGGER& trigger, ByteWriter* out) {
  out->Word(kTriggerRecordSize);
  out->Word(trigger.Reserved1);
  out->Word(trigger.wBeginYear);
  out->Word(trigger.wBeginMonth);
  out->Word(trigger.wBeginDay);
  out->Word(trigger.wEndYear);
  out->Word(trigger.wEndMonth);
  out->Word(trigger.wEndDay);
  out->Word(trigger.wStartHour);
  out->Word(trigger.wStartMinute);
  out->Dword(trigger.MinutesDuration);
  out->Dword(trigger.MinutesInterval);
  out->Dword(trigger.rgFlags);
  out->Dword(TriggerTypeCode(trigger));
  if (TriggerTypeCode(trigger) == TASK_TIME_TRIGGER_MONTHLYDATE) {
    out->Dword(trigger.Type.MonthlyDate.rgfDays);
    out->Word(trigger.Type.MonthlyDate.rgfMonths);
  } else {
    out->Word(trigger.Type.MonthlyDOW.wWhichWeek);
    out->Word(trigger.Type.MonthlyDOW.rgfDaysOfTheWeek);
    out->Word(trigger.Type.MonthlyDOW.rgfMonths);
  }
  out->Word(0);
  out->Word(trigger.Reserved2);
  out->Word(trigger.wRandomMinutesInterval);
}

bool ReadTriggerRecord(ByteReader* in, TASK_TRIGGER* trigger) {
  *trigger = TASK_TRIGGER{};
  DWORD type;
  WORD padding;
  WORD recorded_size;
  if (!in->Word(&recorded_size))
    return false;
  trigger->cbTriggerSize = kTriggerRecordSize;
  if (!(in->Word(&trigger->Reserved1) && in->Word(&trigger->wBeginYear) &&
        in->Word(&trigger->wBeginMonth) && in->Word(&trigger->wBeginDay) &&
        in->Word(&trigger->wEndYear) && in->Word(&trigger->wEndMonth) &&
        in->Word(&trigger->wEndDay) && in->Word(&trigger->wStartHour) &&
        in->Word(&trigger->wStartMinute) && in->Dword(&trigger->MinutesDuration) &&
        in->Dword(&trigger->MinutesInterval) && in->Dword(&trigger->rgFlags) && in->Dword(&type)))
    return false;
  SetTriggerTypeCode(type, trigger);
  bool ok;
  if (type == TASK_TIME_TRIGGER_MONTHLYDATE) {
    ok = in->Dword(&trigger->Type.MonthlyDate.rgfDays) &&
         in->Word(&trigger->Type.MonthlyDate.rgfMonths);
  } else {
    ok = in->Word(&trigger->Type.MonthlyDOW.wWhichWeek) &&
         in->Word(&trigger->Type.MonthlyDOW.rgfDaysOfTheWeek) &&
         in->Word(&trigger->Type.MonthlyDOW.rgfMonths);
  }
  return ok && in->Word(&padding) && in->Word(&trigger->Reserved2) &&
         in->Word(&trigger->wRandomMinutesInterval);
}

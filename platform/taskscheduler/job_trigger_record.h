// One trigger as the trigger section of a .job file holds it: a 48-byte
// record of little-endian fields in TASK_TRIGGER's order.
#ifndef PLATFORM_TASKSCHEDULER_JOB_TRIGGER_RECORD_H_
#define PLATFORM_TASKSCHEDULER_JOB_TRIGGER_RECORD_H_

#include <mstask.h>

#include <cstddef>

#include "platform/taskscheduler/byte_stream.h"

constexpr size_t kTriggerRecordSize = 48;

// Written with 48 as its size, whatever cbTriggerSize says.
void WriteTriggerRecord(const TASK_TRIGGER& trigger, ByteWriter* out);

// Reads 48 bytes whatever the record's own size field says (the format tells
// readers to ignore that field), and sets cbTriggerSize to 48. Every field is
// kept, reserved ones and trigger types we do not know included.
bool ReadTriggerRecord(ByteReader* in, TASK_TRIGGER* trigger);

#endif  // PLATFORM_TASKSCHEDULER_JOB_TRIGGER_RECORD_H_

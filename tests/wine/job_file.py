"""Reads the parts of a Task Scheduler 1.0 .job file that the Wine suite
checks: the program, its parameters and the first trigger.

The layout is the documented one of the .job format: a fixed-length section
of 68 bytes, then counted UTF-16 strings, two counted byte blocks, and the
trigger list, whose offset the fixed section gives. Each trigger is stored as
the 48 bytes of a TASK_TRIGGER, field for field.
"""

import struct

FIXED_SECTION_SIZE = 68
TRIGGER_OFFSET_AT = 22
TRIGGER_SIZE = 48


class Reader:
    def __init__(self, data, offset):
        self.data = data
        self.offset = offset

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.offset)
        self.offset += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def counted_text(self):
        # Count of UTF-16 units including the terminating zero; 0 for none.
        count = self.take("H")
        raw = self.data[self.offset:self.offset + 2 * count]
        self.offset += 2 * count
        return raw.decode("utf-16-le").rstrip("\0")

    def counted_bytes(self):
        size = self.take("H")
        raw = self.data[self.offset:self.offset + size]
        self.offset += size
        return raw


def read_job(data):
    """Returns a dict with application, parameters and triggers (a list of
    dicts named after the TASK_TRIGGER fields)."""
    reader = Reader(data, FIXED_SECTION_SIZE)
    reader.take("H")  # running instance count
    job = {"application": reader.counted_text(),
           "parameters": reader.counted_text(),
           "working_directory": reader.counted_text(),
           "author": reader.counted_text(),
           "comment": reader.counted_text()}
    reader.counted_bytes()  # user data
    reader.counted_bytes()  # reserved data
    trigger_offset = struct.unpack_from("<H", data, TRIGGER_OFFSET_AT)[0]
    if trigger_offset != reader.offset:
        raise ValueError("trigger list at %d, strings end at %d"
                         % (trigger_offset, reader.offset))
    count = reader.take("H")
    job["triggers"] = [read_trigger(data, reader.offset + i * TRIGGER_SIZE)
                       for i in range(count)]
    return job


def read_trigger(data, offset):
    names = ("cbTriggerSize", "Reserved1", "wBeginYear", "wBeginMonth",
             "wBeginDay", "wEndYear", "wEndMonth", "wEndDay", "wStartHour",
             "wStartMinute", "MinutesDuration", "MinutesInterval", "rgFlags",
             "TriggerType", "Type", "Reserved2", "wRandomMinutesInterval")
    values = struct.unpack_from("<10H4I8s2H", data, offset)
    trigger = dict(zip(names, values))
    trigger["Type"] = read_type(trigger["TriggerType"], trigger["Type"])
    return trigger


def read_type(trigger_type, raw):
    """The TRIGGER_TYPE_UNION member that the trigger type selects."""
    if trigger_type == 1:  # TASK_TIME_TRIGGER_DAILY
        return {"DaysInterval": struct.unpack_from("<H", raw)[0]}
    if trigger_type == 2:  # TASK_TIME_TRIGGER_WEEKLY
        interval, days = struct.unpack_from("<2H", raw)
        return {"WeeksInterval": interval, "rgfDaysOfTheWeek": days}
    if trigger_type == 3:  # TASK_TIME_TRIGGER_MONTHLYDATE
        days, months = struct.unpack_from("<IH", raw)
        return {"rgfDays": days, "rgfMonths": months}
    return {"raw": raw.hex()}

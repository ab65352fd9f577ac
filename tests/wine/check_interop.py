#!/usr/bin/env python3
"""Tasks cross between the Linux build and the Windows build under Wine.

- A task created by the Linux build, its .job file placed in the Wine
  prefix's task folder, is listed and deleted by the Windows build.
- A task created by the Windows build under Wine is listed, with its trigger
  text, by the Linux build pointed at a copy of that folder.
- For each frequency, the trigger that Wine's component stored for a
  /create holds exactly the fields that Jobwarden is to hand it: read back
  from the .job bytes, they are compared field by field with the trigger
  table (begin date and start time one minute after the moment of the run).
"""

import argparse
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile

import job_file

DAILY, WEEKLY, MONTHLY_DATE = 1, 2, 3
# Every trigger field that does not depend on the clock, by frequency.
EXPECTED_TRIGGERS = {
    "hourly": {"MinutesDuration": 1440, "MinutesInterval": 60,
               "TriggerType": DAILY, "Type": {"DaysInterval": 1}},
    "daily": {"MinutesDuration": 0, "MinutesInterval": 0,
              "TriggerType": DAILY, "Type": {"DaysInterval": 1}},
    "weekly": {"MinutesDuration": 0, "MinutesInterval": 0,
               "TriggerType": WEEKLY,
               "Type": {"WeeksInterval": 1, "rgfDaysOfTheWeek": 0x7F}},
    "monthly": {"MinutesDuration": 0, "MinutesInterval": 0,
                "TriggerType": MONTHLY_DATE,
                "Type": {"rgfDays": 0xFFFF, "rgfMonths": 0x0FFF}},
}
FIXED_FIELDS = {"cbTriggerSize": 48, "Reserved1": 0, "wEndYear": 0,
                "wEndMonth": 0, "wEndDay": 0, "rgFlags": 0, "Reserved2": 0,
                "wRandomMinutesInterval": 0}
LINUX_MONTHLY_TEXT = (r" At \d{1,2}:\d\d on day 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, "
                      r"12, 13, 14, 15, 16 of every month, starting \d{1,2}/\d{1,2}/\d{4}")


class Programs:
    def __init__(self, args):
        self.linux_exe = args.linux_exe
        self.windows = args.launcher.split() + [args.windows_exe]
        self.wine_tasks = args.wine_tasks_dir

    def linux(self, tasks_dir, *arguments):
        env = dict(os.environ, JOBWARDEN_TASKS_DIR=tasks_dir)
        return run([self.linux_exe] + list(arguments), env)

    def wine(self, *arguments):
        return run(self.windows + list(arguments), dict(os.environ))

    def clear_wine_tasks(self):
        for name in os.listdir(self.wine_tasks):
            os.remove(os.path.join(self.wine_tasks, name))


def run(command, env):
    result = subprocess.run(command, env=env, capture_output=True, timeout=60)
    return result.returncode, result.stdout.decode("utf-8", "replace")


class Checks:
    def __init__(self):
        self.failures = []

    def equal(self, what, actual, expected):
        if actual != expected:
            self.failures.append("%s: %r, expected %r" % (what, actual, expected))

    def matches(self, what, actual, pattern):
        if not re.fullmatch(pattern, actual):
            self.failures.append("%s: %r does not match %r" % (what, actual, pattern))


def linux_task_reaches_wine(programs, checks, scratch):
    programs.clear_wine_tasks()
    linux_dir = os.path.join(scratch, "from-linux")
    checks.equal("Linux /create", programs.linux(
        linux_dir, "/create", "/tn", "Made on Linux", "/tr", "C:\\tools\\backup.exe /all",
        "/sc", "weekly"), (0, ""))
    for name in os.listdir(linux_dir):
        shutil.copy(os.path.join(linux_dir, name), programs.wine_tasks)
    # Wine's component describes no trigger, so the listing is the name alone.
    checks.equal("Wine /query of the Linux task", programs.wine("/query"),
                 (0, "\r\nMade on Linux.job"))
    checks.equal("Wine /delete of the Linux task",
                 programs.wine("/delete", "/tn", "Made on Linux"), (0, ""))
    checks.equal("Wine task folder after /delete", os.listdir(programs.wine_tasks), [])


def wine_task_reaches_linux(programs, checks, scratch):
    programs.clear_wine_tasks()
    checks.equal("Wine /create", programs.wine(
        "/create", "/tn", "Сделано в Wine", "/tr", "C:\\windows\\notepad.exe notes.txt",
        "/sc", "monthly"), (0, ""))
    linux_dir = os.path.join(scratch, "from-wine")
    shutil.copytree(programs.wine_tasks, linux_dir)
    status, output = programs.linux(linux_dir, "/query")
    checks.equal("Linux /query status", status, 0)
    checks.matches("Linux /query of the Wine task", output,
                   r"\nСделано в Wine\.job" + LINUX_MONTHLY_TEXT)


def stored_triggers_follow_the_table(programs, checks):
    for frequency, expected in EXPECTED_TRIGGERS.items():
        programs.clear_wine_tasks()
        before = datetime.datetime.now()
        status = programs.wine("/create", "/tn", frequency, "/tr",
                               "C:\\windows\\notepad.exe a b", "/sc", frequency)
        after = datetime.datetime.now()
        checks.equal("Wine /create /sc %s" % frequency, status, (0, ""))
        path = os.path.join(programs.wine_tasks, frequency + ".job")
        if not os.path.exists(path):
            checks.failures.append("no %s stored" % path)
            continue
        with open(path, "rb") as handle:
            job = job_file.read_job(handle.read())
        checks.equal("%s program" % frequency, job["application"], "C:\\windows\\notepad.exe")
        checks.equal("%s trigger count" % frequency, len(job["triggers"]), 1)
        if job["triggers"]:
            check_trigger(checks, frequency, job["triggers"][0], expected, before, after)


def check_trigger(checks, frequency, trigger, expected, before, after):
    for field, value in list(FIXED_FIELDS.items()) + list(expected.items()):
        checks.equal("%s %s" % (frequency, field), trigger[field], value)
    start = (trigger["wBeginYear"], trigger["wBeginMonth"], trigger["wBeginDay"],
             trigger["wStartHour"], trigger["wStartMinute"])
    # One minute after the moment of the run; the clock may have passed a
    # minute boundary while the program ran, so either end is right.
    allowed = {start_of(moment) for moment in (before, after)}
    if start not in allowed:
        checks.failures.append("%s begins at %r, expected one of %r"
                               % (frequency, start, sorted(allowed)))


def start_of(moment):
    start = moment.replace(second=0, microsecond=0) + datetime.timedelta(minutes=1)
    return (start.year, start.month, start.day, start.hour, start.minute)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--linux-exe", required=True)
    parser.add_argument("--windows-exe", required=True)
    parser.add_argument("--launcher", default="wine64")
    parser.add_argument("--wine-tasks-dir", required=True)
    args = parser.parse_args()

    programs = Programs(args)
    checks = Checks()
    scratch = tempfile.mkdtemp(prefix="jobwarden-interop-")
    try:
        linux_task_reaches_wine(programs, checks, scratch)
        wine_task_reaches_linux(programs, checks, scratch)
        stored_triggers_follow_the_table(programs, checks)
    finally:
        programs.clear_wine_tasks()
        shutil.rmtree(scratch, ignore_errors=True)
    for failure in checks.failures:
        print("FAIL " + failure)
    print("interoperability: %d problem(s)" % len(checks.failures))
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())

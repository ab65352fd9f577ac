#!/usr/bin/env python3
"""Looks for the /rp password in the memory of a Jobwarden process that has
handed it over.

Two moments are looked at. A run that prints is started with standard
output on a pipe that is already full, so it stops in its last write, after
the run is over but before it exits. A /create that succeeds prints
nothing; it is stopped during its final save instead, just before the
saved file is renamed into place (--stop-at-rename, a preloaded library
that sends the process SIGSTOP there), long after the password was handed
to the task and no copy of it is needed any more.

The process's whole memory is then read through /proc/<pid>/mem and
searched for the password in UTF-8 (the argument as the kernel handed it
over, and any narrow copy), UTF-16 and UTF-32 (wide copies): every copy
must have been wiped by then. /proc/<pid>/cmdline, which other processes
can read, must not show it either.

Runs as a user who may read the process's memory (its owner, or root) on
Linux only.
"""

import argparse
import fcntl
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SECRET = "Corr3ct-Horse-Battery-Staple-\u00e9t\u00e9"
ENCODINGS = ("utf-8", "utf-16-le", "utf-32-le")
PIPE_FULL_WAIT = 30  # seconds until we give up waiting for the last write


def full_pipe():
    """A pipe whose buffer is full: the next write to it blocks."""
    read_end, write_end = os.pipe()
    os.set_blocking(write_end, False)
    try:
        while True:
            os.write(write_end, b"x" * 65536)
    except BlockingIOError:
        pass
    os.set_blocking(write_end, True)
    return read_end, write_end


def wait_until_writing(pid):
    """Until the process sits in write(2) on its standard output."""
    deadline = time.monotonic() + PIPE_FULL_WAIT
    while time.monotonic() < deadline:
        try:
            with open("/proc/%d/syscall" % pid) as handle:
                fields = handle.read().split()
        except OSError:
            fields = []
        if fields[:2] == ["1", "0x1"]:  # write(1, ...) on x86-64
            return True
        time.sleep(0.02)
    return False


def readable_regions(pid):
    with open("/proc/%d/maps" % pid) as handle:
        for line in handle:
            fields = line.split()
            start, end = (int(x, 16) for x in fields[0].split("-"))
            name = fields[5] if len(fields) > 5 else ""
            if fields[1][0] == "r" and name not in ("[vvar]", "[vsyscall]"):
                yield start, end, name


def copies_in_memory(pid):
    found = []
    patterns = {encoding: SECRET.encode(encoding) for encoding in ENCODINGS}
    with open("/proc/%d/mem" % pid, "rb", buffering=0) as memory:
        for start, end, name in readable_regions(pid):
            try:
                memory.seek(start)
                data = memory.read(end - start)
            except OSError:
                continue
            for encoding, pattern in patterns.items():
                for match in re.finditer(re.escape(pattern), data):
                    found.append("%s copy at %#x in %s" % (encoding, start + match.start(),
                                                          name or "anonymous memory"))
    return found


def scan(exe, arguments, env, extra_setup=None):
    read_end, write_end = full_pipe()
    process = subprocess.Popen([exe] + arguments, stdout=write_end, stderr=subprocess.PIPE,
                               env=env, preexec_fn=extra_setup)
    os.close(write_end)
    problems = []
    try:
        if not wait_until_writing(process.pid):
            return ["never reached its last write"]
        with open("/proc/%d/cmdline" % process.pid, "rb") as handle:
            if SECRET.encode("utf-8") in handle.read():
                problems.append("/proc/<pid>/cmdline shows the password")
        problems += copies_in_memory(process.pid)
    finally:
        fcntl.fcntl(read_end, fcntl.F_SETFL, 0)
        with os.fdopen(read_end, "rb") as drain:
            drain.read()
        process.wait(timeout=PIPE_FULL_WAIT)
    return problems


def wait_until_stopped(process):
    """Until the process is stopped (state T); False if it ended first."""
    deadline = time.monotonic() + PIPE_FULL_WAIT
    while time.monotonic() < deadline and process.poll() is None:
        try:
            with open("/proc/%d/stat" % process.pid) as handle:
                state = handle.read().rsplit(")", 1)[1].split()[0]
        except (OSError, IndexError):
            state = ""
        if state == "T":
            return True
        time.sleep(0.01)
    return False


def scan_in_final_save(exe, arguments, env, preload, task_file):
    """A /create stopped during its second (final) save."""
    env = dict(env, LD_PRELOAD=preload, JOBWARDEN_STOP_AT_RENAME="2")
    process = subprocess.Popen([exe] + arguments, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=env)
    problems = []
    try:
        if not wait_until_stopped(process):
            return ["never reached its final save"]
        with open("/proc/%d/cmdline" % process.pid, "rb") as handle:
            if SECRET.encode("utf-8") in handle.read():
                problems.append("/proc/<pid>/cmdline shows the password")
        problems += copies_in_memory(process.pid)
    finally:
        if process.poll() is None:
            os.kill(process.pid, signal.SIGCONT)
        output, errors = process.communicate(timeout=PIPE_FULL_WAIT)
    if process.returncode != 0 or output or errors:
        problems.append("ended with %d, %r, %r" % (process.returncode, output, errors))
    if not os.path.exists(task_file):
        problems.append("stored no task")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the Jobwarden executable")
    parser.add_argument("--stop-at-rename", required=True,
                        help="the preloaded library that stops a save (stop_at_rename)")
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="jobwarden-secret-")
    env = dict(os.environ, JOBWARDEN_TASKS_DIR=os.path.join(scratch, "tasks"))
    account = ["/ru", "Operator", "/rp", SECRET]
    def full_disk():
        # The bare task (about 100 bytes) is stored, the complete one is not:
        # the password has been handed over by the time the save fails.
        resource.setrlimit(resource.RLIMIT_FSIZE, (120, 120))

    runs = {
        "create that fails after the account is set": (
            ["/create", "/tn", "Half", "/sc", "daily"] + account, full_disk),
        "create of a taken name": (["/create", "/tn", "Taken", "/sc", "daily"] + account, None),
        "query with an account": (["/query"] + account, None),
        "create refused before the scheduler": (
            ["/create", "/tn", "Other", "/sc", "yearly"] + account, None),
    }
    failures = 0
    try:
        subprocess.run([args.exe, "/create", "/tn", "Taken", "/sc", "daily"], env=env,
                       check=True, capture_output=True)
        for title, (arguments, setup) in runs.items():
            problems = scan(args.exe, arguments, env, setup)
            print("%s %s" % ("FAIL" if problems else "ok  ", title))
            for problem in problems:
                print("     " + problem)
            failures += bool(problems)
        tasks = os.path.join(scratch, "tasks")
        saves = {
            "create stopped in its final save": (
                "Stored", ["/rp", SECRET]),
            # The first value is replaced by the second: the first must
            # not linger in the buffer the parser let go of.
            "create with the password given twice, stopped in its final save": (
                "Twice", ["/rp", SECRET, "/rp", "Another-password-long-enough"]),
        }
        for title, (name, password) in saves.items():
            arguments = ["/create", "/tn", name, "/sc", "daily", "/ru", "Operator"] + password
            problems = scan_in_final_save(args.exe, arguments + ["/tr", "run.exe"], env,
                                          args.stop_at_rename,
                                          os.path.join(tasks, name + ".job"))
            print("%s %s" % ("FAIL" if problems else "ok  ", title))
            for problem in problems:
                print("     " + problem)
            failures += bool(problems)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

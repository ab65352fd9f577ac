#!/usr/bin/env python3
"""jobwarden-service under a private cron: BusyBox's crond with a crontab
folder of its own (never the machine's cron), started and stopped here.

Installs the service line into that crontab (twice, beside a line of its
own that must survive) and creates with Jobwarden three tasks due in the
next minute: one whose program appends to a file and writes to its
standard output and error, one whose program does not exist, and one for
an account that does not exist. Checks that the first ran exactly once
with its output in its own file, that the run log tells of each (started,
finished, could not start, not run), that `status` words each result and
that /query still lists the task; that `run NAME` runs it once more with
nothing of its output on the service's, and that `status NAME` shows the
end of its log and output. Then deletes it, waits for cron's next minute
and checks that it neither ran again nor came back. Bounded in time;
leaves no process behind.
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from script_support import Failure, check, wait_for

DEADLINE_SECONDS = 160
RUN_SECONDS = 130


def run(arguments, env, expect=0):
    result = subprocess.run(arguments, env=env, capture_output=True, text=True, timeout=20)
    check(result.returncode == expect,
          f"{arguments} ended with {result.returncode}, not {expect}:\n{result.stdout}{result.stderr}")
    return result.stdout


def lines_of(path):
    try:
        with open(path) as file:
            return file.read().splitlines()
    except FileNotFoundError:
        return []


def log_events(state):
    """The run log's events, each without its time (checked here) and with
    a process id as N."""
    events = []
    for line in lines_of(os.path.join(state, "jobwarden", "run.log")):
        match = re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (.*)", line)
        check(match is not None, f"run log line without its time: {line!r}")
        events.append(re.sub(r", process \d+$", ", process N", match.group(1)))
    return events


def stop(process):
    if process.poll() is None:
        os.killpg(process.pid, signal.SIGTERM)
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


def processes_under(root):
    """The processes, other than this one, whose command line or
    environment names the test's folder: what it started and must stop."""
    found = []
    marker = root.encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as file:
                named = marker in file.read()
            if not named:
                with open(f"/proc/{entry}/environ", "rb") as file:
                    named = marker in file.read()
        except OSError:
            continue  # ended meanwhile, or not ours to read
        if named:
            found.append(int(entry))
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--jobwarden", required=True)
    parser.add_argument("--service", required=True)
    options = parser.parse_args()
    started = time.monotonic()

    busybox = shutil.which("busybox")
    check(busybox is not None, "busybox is missing (scripts/install-packages.sh installs busybox-static)")
    applets = subprocess.run([busybox, "--list"], capture_output=True, text=True).stdout.split()
    check("crond" in applets and "crontab" in applets,
          "this busybox has no crond (scripts/install-packages.sh installs busybox-static)")
    if os.geteuid() != 0:
        print("skipped: BusyBox's crond runs jobs only when started by root")
        return 77

    root = tempfile.mkdtemp(prefix="jobwarden-cron-")
    crond = None
    try:
        spool = os.path.join(root, "crontabs")
        tasks = os.path.join(root, "tasks")
        state = os.path.join(root, "state")
        home = os.path.join(root, "home")
        output = os.path.join(root, "ran.txt")
        heartbeat = os.path.join(root, "heartbeat.txt")
        for folder in (spool, home):
            os.mkdir(folder, 0o700)
        # crond hands its environment to the jobs: the login records read
        # are the test's own.
        clean = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "HOME": home, "LANG": "C.UTF-8",
                 "JOBWARDEN_WTMP": os.path.join(root, "wtmp")}
        if "TZ" in os.environ:
            clean["TZ"] = os.environ["TZ"]
        crontab = [busybox, "crontab", "-c", spool]
        user = dict(clean, JOBWARDEN_TASKS_DIR=tasks, XDG_STATE_HOME=state,
                    JOBWARDEN_CRONTAB=" ".join(crontab))

        own_line = f"* * * * * date +%s >> {heartbeat}"
        subprocess.run(crontab + ["-"], input=own_line + "\n", text=True, env=clean, check=True)
        for _ in range(2):
            said = run([options.service, "install"], user)
            check(said == f"jobwarden-service is installed: cron runs it every minute for the tasks in {tasks}\n",
                  f"install said {said!r}")
        installed = run(crontab + ["-l"], clean).splitlines()
        service_lines = [line for line in installed if line.endswith("# jobwarden-service")]
        check(installed[0] == own_line and len(service_lines) == 2 and len(installed) == 3
              and service_lines[1].startswith("@reboot "),
              f"crontab after two installs: {installed}")
        check(os.path.realpath(options.service) in service_lines[0], service_lines[0])
        # This BusyBox crond knows no @reboot and dies reading one: it runs
        # the minute line alone, as a cron without @reboot would.
        subprocess.run(crontab + ["-"], input="\n".join(installed[:2]) + "\n", text=True, env=clean,
                       check=True)

        crond = subprocess.Popen([busybox, "crond", "-f", "-c", spool, "-L", os.path.join(root, "crond.log")],
                                 env=clean, start_new_session=True,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # A task stored in the last seconds of a minute could miss the run
        # that cron starts as the next one begins.
        if time.localtime().tm_sec >= 53:
            time.sleep(62 - time.localtime().tm_sec)
        program = f'-c "echo ran >> {output}; echo out; echo err >&2; exit 3"'
        run([options.jobwarden, "/create", "/tn", "e2e", "/sc", "daily", "/ru", "system",
             "/tr", f'"/bin/sh" {program}'], user)
        run([options.jobwarden, "/create", "/tn", "missing", "/sc", "daily", "/ru", "system",
             "/tr", "jw-no-such-program"], user)
        run([options.jobwarden, "/create", "/tn", "stranger", "/sc", "daily", "/ru", "jw-no-such-user",
             "/rp", "x", "/tr", "true"], user)
        created = time.monotonic()

        wait_for(lambda: lines_of(output), RUN_SECONDS, "the task ran")
        wait_for(lambda: run([options.service, "status"], user).count("last run") == 3, 10,
                 "the runs were recorded")
        check(time.monotonic() - created <= RUN_SECONDS, "the task ran too late")
        check(lines_of(output) == ["ran"], f"ran {lines_of(output)}")

        # What cron's run-due did, as the run log tells it.
        e2e_command = f'/bin/sh +{re.escape(program)}'
        started_e2e = f"e2e\\.job\tstarted: {e2e_command} as root, process N"
        events = log_events(state)
        expected = ["run-due: 3 tasks due",
                    "e2e.job\tfinished: exit code 3",
                    "missing.job\tstarted: jw-no-such-program as root, process N",
                    "missing.job\tcould not start: cannot start jw-no-such-program: No such file or directory",
                    "stranger.job\tnot run: the account jw-no-such-user does not exist"]
        check(len(events) == 6 and events[0] == expected[0]
              and sum(bool(re.fullmatch(started_e2e, event)) for event in events) == 1
              and sorted(event for event in events if not re.fullmatch(started_e2e, event)) == sorted(expected),
              f"run log: {events}")

        # Each result in words, and where the output went.
        status = run([options.service, "status"], user).splitlines()
        check(status[0] == "jobwarden-service is installed: cron runs it every minute", status[0])
        minute = r"\d{4}-\d\d-\d\d \d\d:\d\d"
        check(re.fullmatch(f"cron last started jobwarden-service at {minute}", status[1]), status[1])
        check(status[2] == f"Tasks in {tasks}:", status[2])
        outputs = re.escape(os.path.join(state, "jobwarden", "output"))
        lines = sorted(status[3:])
        check(len(lines) == 3, f"status: {status}")
        patterns = [
                f"e2e\\.job\tas root: {e2e_command}\tnext run {minute}\tlast run {minute}, exit code 3"
                f"\toutput in {outputs}/e2e\\.job-[0-9a-f]+\\.out",
                f"missing\\.job\tas root: jw-no-such-program\tnext run {minute}\tlast run {minute}, "
                f"the program was not found\toutput in {outputs}/missing\\.job-[0-9a-f]+\\.out",
                f"stranger\\.job\tas jw-no-such-user \\(no such user\\): true\tnext run {minute}\t"
                f"last run {minute}, the account jw-no-such-user does not exist"]
        for line, pattern in zip(lines, patterns):
            check(re.fullmatch(pattern, line), f"status line {line!r}")
        task_output = lines[0].split("\toutput in ")[1]
        check(sorted(lines_of(task_output)) == ["err", "out"], f"the task's output: {lines_of(task_output)}")
        check(os.stat(task_output).st_mode & 0o777 == 0o600, "the output file is not 0600")
        for folder in (os.path.join(state, "jobwarden"), os.path.dirname(task_output)):
            check(os.stat(folder).st_mode & 0o777 == 0o711, f"{folder} is not 0711")
        listing = run([options.jobwarden, "/query"], user)
        check("\ne2e.job At " in listing, f"/query: {listing!r}")

        # run NAME: once more, now, its output in its file only.
        now = subprocess.run([options.service, "run", "E2E"], env=user, capture_output=True, text=True,
                             timeout=20)
        said = [re.sub(r", process \d+$", ", process N", line) for line in now.stderr.splitlines()]
        check(now.returncode == 0 and now.stdout == "" and len(said) == 2
              and re.fullmatch(f"jobwarden-service: {started_e2e}", said[0])
              and said[1] == "jobwarden-service: e2e.job\tfinished: exit code 3",
              f"run E2E ended with {now.returncode}: {now.stdout!r} {now.stderr!r}")
        check(lines_of(output) == ["ran", "ran"], f"after run: ran {lines_of(output)}")
        check(sorted(lines_of(task_output)) == ["err", "out"], f"output after run: {lines_of(task_output)}")
        events = log_events(state)
        check(sum(bool(re.fullmatch(started_e2e, event)) for event in events) == 2
              and events[-1] == "e2e.job\tfinished: exit code 3", f"run log after run: {events}")
        unknown = subprocess.run([options.service, "run", "nosuch"], env=user, capture_output=True,
                                 text=True, timeout=20)
        check(unknown.returncode == 1 and unknown.stdout == ""
              and unknown.stderr == 'jobwarden-service: no task is named "nosuch"\n',
              f"run nosuch ended with {unknown.returncode}: {unknown.stdout!r} {unknown.stderr!r}")

        # status NAME: the task's line, its log and its output.
        named = run([options.service, "status", "e2e"], user).splitlines()
        # Cron may have started run-due again since: the same line, a newer time.
        check(len(named) == 12 and named[0] == status[0] and named[2] == status[2]
              and re.fullmatch(f"cron last started jobwarden-service at {minute}", named[1])
              and re.fullmatch(patterns[0], named[3])
              and named[4] == "Run log:" and named[9] == "Output:"
              and all(re.fullmatch(f"  {minute}:\\d\\d e2e\\.job\t.*", line) for line in named[5:9])
              and sorted(named[10:]) == ["  err", "  out"], f"status e2e: {named}")

        run([options.jobwarden, "/delete", "/tn", "e2e"], user)
        beats = len(lines_of(heartbeat))
        wait_for(lambda: len(lines_of(heartbeat)) > beats, 65, "cron's next minute")
        time.sleep(3)  # that minute's run-due has ended by now
        check(lines_of(output) == ["ran", "ran"], f"after /delete: ran {lines_of(output)}")
        check(log_events(state) == events, f"the run log after /delete: {log_events(state)}")
        check(not os.path.exists(os.path.join(tasks, "e2e.job")), "the deleted task came back")

        run([options.service, "uninstall"], user)
        check(run(crontab + ["-l"], clean).splitlines() == [own_line], "uninstall left more than the own line")
        check(time.monotonic() - started <= DEADLINE_SECONDS, "took longer than its bound")
        print(f"cron end to end: ok in {time.monotonic() - started:.0f} s")
        return 0
    except Failure as failure:
        print(f"FAILED: {failure}")
        log = os.path.join(root, "crond.log")
        if os.path.exists(log):
            print("crond log:\n" + open(log).read())
        return 1
    finally:
        if crond is not None:
            stop(crond)
        shutil.rmtree(root, ignore_errors=True)
        # Whatever cron started last ends within a moment of it.
        end = time.monotonic() + 10
        while processes_under(root) and time.monotonic() < end:
            time.sleep(0.5)
        left = processes_under(root)
        if left:
            print(f"FAILED: processes left behind: {left}")
            for pid in left:
                try:
                    os.kill(pid, signal.SIGKILL)
                except OSError:
                    pass
            return 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""jobwarden-service under a private cron: BusyBox's crond with a crontab
folder of its own (never the machine's cron), started and stopped here.

Installs the service line into that crontab (twice, beside a line of its
own that must survive), creates with Jobwarden a task due in the next
minute whose program appends to a file, and checks that it ran exactly
once, that `status` shows the run's time and exit code and that /query
still lists the task; then deletes it, waits for cron's next minute and
checks that it neither ran again nor came back. Bounded in time; leaves
no process behind.
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

DEADLINE_SECONDS = 150
RUN_SECONDS = 130


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(arguments, env, expect=0):
    result = subprocess.run(arguments, env=env, capture_output=True, text=True, timeout=20)
    check(result.returncode == expect,
          f"{arguments} ended with {result.returncode}, not {expect}:\n{result.stdout}{result.stderr}")
    return result.stdout


def wait_for(condition, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return
        time.sleep(0.5)
    raise Failure(f"not within {seconds} s: {what}")


def lines_of(path):
    try:
        with open(path) as file:
            return file.read().splitlines()
    except FileNotFoundError:
        return []


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
        clean = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "HOME": home, "LANG": "C.UTF-8"}
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
        check(installed[0] == own_line and len(service_lines) == 1 and len(installed) == 2,
              f"crontab after two installs: {installed}")
        check(os.path.realpath(options.service) in service_lines[0], service_lines[0])

        crond = subprocess.Popen([busybox, "crond", "-f", "-c", spool, "-L", os.path.join(root, "crond.log")],
                                 env=clean, start_new_session=True,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # A task stored in the last seconds of a minute could miss the run
        # that cron starts as the next one begins.
        if time.localtime().tm_sec >= 55:
            time.sleep(62 - time.localtime().tm_sec)
        run([options.jobwarden, "/create", "/tn", "e2e", "/sc", "daily", "/ru", "system",
             "/tr", f'"/bin/sh" -c "echo ran >> {output}; exit 3"'], user)
        created = time.monotonic()

        wait_for(lambda: lines_of(output), RUN_SECONDS, "the task ran")
        wait_for(lambda: "exit code" in run([options.service, "status"], user), 10, "the run was recorded")
        check(time.monotonic() - created <= RUN_SECONDS, "the task ran too late")
        check(lines_of(output) == ["ran"], f"ran {lines_of(output)}")
        status = run([options.service, "status"], user).splitlines()
        check(status[0] == "jobwarden-service is installed: cron runs it every minute", status[0])
        check(status[1] == f"Tasks in {tasks}:", status[1])
        check(len(status) == 3 and re.fullmatch(
            r"e2e\.job\tnext run \d{4}-\d\d-\d\d \d\d:\d\d\tlast run \d{4}-\d\d-\d\d \d\d:\d\d, exit code 0x3",
            status[2]), f"status: {status}")
        listing = run([options.jobwarden, "/query"], user)
        check(listing.startswith("\ne2e.job At "), f"/query: {listing!r}")

        run([options.jobwarden, "/delete", "/tn", "e2e"], user)
        beats = len(lines_of(heartbeat))
        wait_for(lambda: len(lines_of(heartbeat)) > beats, 65, "cron's next minute")
        time.sleep(3)  # that minute's run-due has ended by now
        check(lines_of(output) == ["ran"], f"after /delete: ran {lines_of(output)}")
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

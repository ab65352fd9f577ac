#!/usr/bin/env python3
"""jobwarden-service run by root, with a task planted where someone other
than root could have written it: a world-writable folder of `nobody` under
a sticky folder, root's own folder holding a world-writable .job of
`daemon`, a folder its group (`daemon`) may write, and a .job with a second
hard link. Each task is a system-account task due this very minute whose
program writes `id -u` to a file; a trusted task in a folder of its own,
run the same way first, shows that it would run. The planted one must not
run, the run log must say which file and why, `status` must show it refused,
and its file must be left exactly as it was.

The task is made due without waiting for the next minute: Jobwarden
stores it under TZ=UTC0 for the coming minute, and the service is run one
minute ahead (TZ=<+0001>-00:01).
"""
import argparse
import grp
import os
import pwd
import re
import shutil
import subprocess
import sys
import tempfile
import time

from script_support import Failure, check

STORE_ZONE = "UTC0"
RUN_ZONE = "<+0001>-00:01"


def run(arguments, env):
    return subprocess.run(arguments, env=env, capture_output=True, text=True, timeout=30)


def store_task(jobwarden, env, name, output):
    result = run([jobwarden, "/create", "/tn", name, "/sc", "daily", "/ru", "system",
                  "/tr", f'"/bin/sh" -c "id -u >> {output}"'], env)
    check(result.returncode == 0, f"/create {name}: {result.stdout}{result.stderr}")


def log_lines(state_home):
    try:
        with open(os.path.join(state_home, "jobwarden", "run.log")) as file:
            return file.read().splitlines()
    except FileNotFoundError:
        return []


def snapshot(path):
    status = os.lstat(path)
    with open(path, "rb") as file:
        return file.read(), status.st_uid, status.st_gid, status.st_mode, status.st_mtime_ns


class Case:
    """Plants the task of one case in `folder` and names the reason the
    service must give."""

    def __init__(self, root, folder, stored):
        self.root = root
        self.folder = folder
        self.stored = stored  # stores the task into the folder
        self.other_name = None

    def world_writable_folder(self):
        nobody = pwd.getpwnam("nobody")
        public = os.path.join(self.root, "public")
        os.mkdir(public)
        os.chmod(public, 0o1777)
        self.folder = os.path.join(public, "tasks")
        os.mkdir(self.folder)
        os.chown(self.folder, nobody.pw_uid, nobody.pw_gid)
        os.chmod(self.folder, 0o777)
        task = self.stored(self.folder)
        os.chown(task, nobody.pw_uid, nobody.pw_gid)
        return f"the task folder is owned by uid {nobody.pw_uid}"

    def foreign_file(self):
        daemon = pwd.getpwnam("daemon")
        task = self.stored(self.folder)
        os.chown(task, daemon.pw_uid, daemon.pw_gid)
        os.chmod(task, 0o666)
        return f"the file is owned by uid {daemon.pw_uid}"

    def group_writable_folder(self):
        daemon = pwd.getpwnam("daemon")
        group = grp.getgrnam("daemon")
        os.mkdir(self.folder)
        os.chown(self.folder, 0, group.gr_gid)
        os.chmod(self.folder, 0o2770)
        task = self.stored(self.folder)
        os.chown(task, daemon.pw_uid, group.gr_gid)
        return "the task folder is writable by its group"

    def second_link(self):
        task = self.stored(self.folder)
        self.other_name = os.path.join(self.root, "elsewhere.job")
        os.link(task, self.other_name)
        return "the file has 2 links"


CASES = ("world_writable_folder", "foreign_file", "group_writable_folder", "second_link")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--jobwarden", required=True)
    parser.add_argument("--service", required=True)
    parser.add_argument("--case", required=True, choices=CASES)
    options = parser.parse_args()

    if os.geteuid() != 0:
        print("skipped: only root can plant files of other users, and the service "
              "runs system-account tasks as root only when root runs it")
        return 77
    busybox = shutil.which("busybox")
    check(busybox is not None, "busybox is missing (scripts/install-packages.sh installs busybox-static)")

    root = tempfile.mkdtemp(prefix="jobwarden-trust-")
    try:
        spool = os.path.join(root, "crontabs")
        os.mkdir(spool, 0o700)
        clean = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "HOME": root, "LANG": "C.UTF-8",
                 "XDG_STATE_HOME": os.path.join(root, "state"),
                 "JOBWARDEN_WTMP": os.path.join(root, "wtmp"),
                 "JOBWARDEN_CRONTAB": f"{busybox} crontab -c {spool}"}

        def service(command, folder):
            return run([options.service, command],
                       dict(clean, JOBWARDEN_TASKS_DIR=folder, TZ=RUN_ZONE))

        # The tasks are stored for the coming minute and run within this one.
        if time.gmtime().tm_sec >= 50:
            time.sleep(61 - time.gmtime().tm_sec)

        control = os.path.join(root, "control")
        control_output = os.path.join(root, "control.out")
        store_task(options.jobwarden, dict(clean, JOBWARDEN_TASKS_DIR=control, TZ=STORE_ZONE),
                   "control", control_output)

        output = os.path.join(root, "planted.out")

        def stored(folder):
            store_task(options.jobwarden, dict(clean, JOBWARDEN_TASKS_DIR=folder, TZ=STORE_ZONE),
                       "planted", output)
            return os.path.join(folder, "planted.job")

        case = Case(root, os.path.join(root, "tasks"), stored)
        reason = getattr(case, options.case)()
        task = os.path.join(case.folder, "planted.job")
        before = snapshot(task)
        entries = sorted(os.listdir(case.folder))

        ran = service("run-due", control)
        check(ran.returncode == 0 and ran.stderr == "", f"control run-due: {ran.stderr}")
        check(os.path.exists(control_output) and open(control_output).read() == "0\n",
              "the trusted control task did not run in this minute, so nothing below would show")

        refused = service("run-due", case.folder)
        check(not os.path.exists(output),
              f"the planted task ran as uid {open(output).read().strip() if os.path.exists(output) else '?'}")
        # A refusal is what became of the task, not a failure of run-due's:
        # it goes to the run log, and cron has nothing to mail.
        check(refused.stderr == "", f"run-due said {refused.stderr!r}")
        check(refused.returncode == 0, f"run-due ended with {refused.returncode}")
        logged = [line for line in log_lines(clean["XDG_STATE_HOME"]) if "planted.job" in line]
        check(len(logged) == 1 and re.fullmatch(
            r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d planted\.job\tnot run: " + re.escape(reason), logged[0]),
              f"the run log says {logged}")

        status = service("status", case.folder)
        check(status.returncode == 0, f"status ended with {status.returncode}: {status.stderr}")
        said = status.stdout.splitlines()
        check(re.fullmatch(r"cron last started jobwarden-service at \d{4}-\d\d-\d\d \d\d:\d\d", said[1])
              and said[2:] == [f"Tasks in {case.folder}:", f"planted.job\trefused: {reason}\thas not run"],
              f"status said {status.stdout!r}")

        check(snapshot(task) == before, "the planted task's file was changed")
        check(sorted(os.listdir(case.folder)) == entries,
              f"the task folder now holds {sorted(os.listdir(case.folder))}, not {entries}")
        if case.other_name:
            check(snapshot(case.other_name) == before, "the file's other name was changed")
        print(f"{options.case}: refused, {reason}")
        return 0
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

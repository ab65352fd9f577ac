#!/usr/bin/env python3
"""Runs the black-box command-line cases against a built Jobwarden.

Each case is a list of steps (arguments, expected standard output byte for
byte, expected exit status) that run one after the other against a task
folder of the case's own, which starts out empty. Standard error must stay
empty, unless a step gives "stderr_regex" for its host (under Wine: the
report of a crash inside Wine's own component).

The same cases run against the Linux build (the task folder is handed over
in JOBWARDEN_TASKS_DIR) and against the Windows build under Wine (the
prefix's own task folder is emptied before each case); --host selects which
expectations apply where a case states one for a host.

A key may name the host more closely: "stdout_wine_i686" applies to the
32-bit build under Wine before "stdout_wine", and "hosts" may name
"wine_i686" or "wine_x86_64".

Under Wine the output is compared as Windows writes it: every line end of
the expected text is CR LF, and a pattern is matched against the output
with its CR LF line ends read as LF once the output is known to have no
other line end.

Placeholders in expected output: {HELP} is the help listing, {INVALID} the
syntax error message followed by the help listing.

An argument is text, {"hex": "..."} for raw bytes, or {"repeat": [text, n]}
for text repeated n times (arguments as long as the system allows).

Hostile environments (Linux only; such cases say "hosts": ["linux"]): the
task folder is "tasks" inside a scratch folder of the case's own, and a step
may prepare that scratch folder before it runs ("setup", see HostileSetup),
point JOBWARDEN_TASKS_DIR elsewhere in it ("tasks_dir"), run under a file
size limit in bytes ("file_size_limit", a full disk for our writes), and
check afterwards what the scratch folder holds ("files": path to expected
text, or null for absent; "task_files": the exact sorted entries of the task
folder, hidden ones included).
"""

import argparse
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile

HELP = "".join(
    "\n%s\t%s" % row
    for row in [
        ("/create", "Creates a new scheduled task."),
        ("/sc", "Specifies the schedule frequency. Valid values: HOURLY, DAILY, WEEKLY, MONTHLY."),
        ("/ru", "Specifies the user context under which the command should execute."),
        ("/rp", "Specifies the password for the given user context."),
        ("/tn", "Specifies a name which uniquely identifies this scheduled task."),
        ("/tr", "Specifies the path and file name of the program to be run by this scheduled task."),
        ("/query", "Dislplays all scheduled tasks."),
        ("/delete", "Deletes the scheduled task."),
    ]
)
INVALID = "\nInvalid syntax" + HELP


def expand(text):
    return text.replace("{INVALID}", INVALID).replace("{HELP}", HELP)


def argument_bytes(argument):
    """An argument is text, or {"hex": "..."} for bytes that are not UTF-8."""
    if isinstance(argument, dict):
        if "repeat" in argument:
            text, count = argument["repeat"]
            return (text * count).encode("utf-8")
        return bytes.fromhex(argument["hex"])
    return argument.encode("utf-8")


def host_value(step, key, host):
    """The value for the most particular of the host's names that the step
    gives ("status_wine_i686", then "status_wine", then "status")."""
    for name in host.names:
        if "%s_%s" % (key, name) in step:
            return step["%s_%s" % (key, name)]
    return step.get(key)


class Host:
    """Whose expectations apply: linux, or wine with the Windows build's
    architecture (i686 or x86_64)."""

    def __init__(self, kind, arch):
        self.kind = kind
        self.names = (["%s_%s" % (kind, arch)] if arch else []) + [kind]


class TaskFolder:
    """A fresh, empty task folder for one case."""

    def __init__(self, wine_tasks_dir):
        self.wine_tasks_dir = wine_tasks_dir
        if wine_tasks_dir:
            self.path = wine_tasks_dir
            os.makedirs(self.path, exist_ok=True)
            for entry in os.listdir(self.path):
                os.remove(os.path.join(self.path, entry))
        else:
            self.scratch = tempfile.mkdtemp(prefix="jobwarden-cli-")
            self.path = os.path.join(self.scratch, "tasks")

    def environment(self):
        env = dict(os.environ)
        if not self.wine_tasks_dir:
            env["JOBWARDEN_TASKS_DIR"] = self.path
        return env

    def names(self):
        return sorted(os.listdir(self.path)) if os.path.isdir(self.path) else []

    def files(self):
        return [os.path.join(self.path, name) for name in self.names()]

    def close(self):
        if not self.wine_tasks_dir:
            HostileSetup.release(self.scratch)
            shutil.rmtree(self.scratch, ignore_errors=True)


# --- Hostile environments ----------------------------------------------------


class SkipCase(Exception):
    """The machine cannot build the environment a case needs."""


class HostileSetup:
    """Setup actions, each a one-key object, paths relative to the scratch
    folder: {"write": [path, argument]} (argument as for "args"),
    {"mkdir": path}, {"symlink": [path, target]}, {"fifo": path},
    {"read_only": path}, {"writable": path}.

    Permission bits do not stop root, so as root "read_only" makes the
    folder immutable instead (chattr +i); a machine that allows neither
    skips the case."""

    @staticmethod
    def apply(actions, scratch):
        for action in actions:
            (kind, value), = action.items()
            getattr(HostileSetup, kind)(scratch, value)

    @staticmethod
    def write(scratch, value):
        path, argument = value
        full = os.path.join(scratch, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as handle:
            handle.write(argument_bytes(argument))

    @staticmethod
    def mkdir(scratch, path):
        os.makedirs(os.path.join(scratch, path), exist_ok=True)

    @staticmethod
    def symlink(scratch, value):
        path, target = value
        full = os.path.join(scratch, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        os.symlink(target, full)

    @staticmethod
    def fifo(scratch, path):
        full = os.path.join(scratch, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        os.mkfifo(full)

    made_read_only = []

    @staticmethod
    def read_only(scratch, path):
        full = os.path.join(scratch, path)
        HostileSetup.made_read_only.append(full)
        os.chmod(full, 0o555)
        if os.geteuid() == 0:
            if subprocess.run(["chattr", "+i", full], capture_output=True).returncode != 0:
                raise SkipCase("cannot make a folder read-only for root here (chattr +i)")

    @staticmethod
    def writable(scratch, path):
        full = os.path.join(scratch, path)
        if os.geteuid() == 0:
            subprocess.run(["chattr", "-i", full], capture_output=True)
        os.chmod(full, 0o700)

    @staticmethod
    def release(scratch):
        """Undoes every read_only so that the scratch folder can go."""
        for full in HostileSetup.made_read_only:
            if full.startswith(scratch + os.sep) and os.path.isdir(full):
                HostileSetup.writable(scratch, full)

    @staticmethod
    def limits(step):
        size = step.get("file_size_limit")
        if size is None:
            return None
        return lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))

    @staticmethod
    def check(step, folder):
        scratch = folder.scratch
        problems = []
        for path, expected in sorted(step.get("files", {}).items()):
            full = os.path.join(scratch, path)
            if expected is None:
                if os.path.lexists(full):
                    problems.append("%s exists" % path)
                continue
            try:
                with open(full, "rb") as handle:
                    actual = handle.read()
            except OSError as error:
                problems.append("%s cannot be read: %s" % (path, error))
                continue
            if actual != argument_bytes(expected):
                problems.append("%s holds %r" % (path, actual[:80]))
        if "task_files" in step:
            entries = folder.names()
            if entries != step["task_files"]:
                problems.append("task folder holds %r, expected %r" % (entries, step["task_files"]))
        return problems


def windows_line_ends(text):
    return text.replace(b"\n", b"\r\n")


def check_step(step, host, result, folder):
    problems = []
    on_windows = host.kind == "wine"
    expected_status = host_value(step, "status", host)
    if result.returncode != expected_status:
        problems.append("exit status %d, expected %d" % (result.returncode, expected_status))
    stderr_pattern = host_value(step, "stderr_regex", host)
    if stderr_pattern is None and result.stderr:
        problems.append("standard error not empty: %r" % result.stderr)
    elif stderr_pattern is not None and not re.fullmatch(
            stderr_pattern.encode("utf-8"), result.stderr, re.DOTALL):
        problems.append("standard error %r does not match %r" % (result.stderr, stderr_pattern))
    pattern = host_value(step, "stdout_regex", host)
    if pattern is not None:
        output = result.stdout
        # Wine's crash report (a step that expects one on standard error)
        # comes from its debugger, with plain line ends.
        if on_windows and stderr_pattern is None:
            output = output.replace(b"\r\n", b"\n")
            if windows_line_ends(output) != result.stdout:
                problems.append("output %r has a line end other than CR LF" % result.stdout)
        if not re.fullmatch(expand(pattern).encode("utf-8"), output, re.DOTALL):
            problems.append("output %r does not match %r" % (result.stdout, expand(pattern)))
    else:
        expected = expand(host_value(step, "stdout", host)).encode("utf-8")
        if on_windows:
            expected = windows_line_ends(expected)
        if result.stdout != expected:
            problems.append("output %r, expected %r" % (result.stdout, expected))
    secret = step.get("secret_absent_from_task_folder")
    if secret:
        for path in folder.files():
            with open(path, "rb") as handle:
                data = handle.read()
            for encoding in ("utf-8", "utf-16-le"):
                if secret.encode(encoding) in data:
                    problems.append("%s holds the secret (%s)" % (path, encoding))
        if secret.encode("utf-8") in result.stdout:
            problems.append("the secret appears in the output")
    return problems


def shown_arguments(step):
    """The arguments for a report, with the very long ones cut short."""
    return [a if len(str(a)) < 80 else str(a)[:60] + "..." for a in step["args"]]


def run_step(command, environment, timeout, preexec):
    """Runs one step. Standard error goes to a file rather than a pipe: Wine
    is many times slower to start when its standard error is a pipe."""
    with tempfile.TemporaryFile() as errors:
        result = subprocess.run(
            command, stdout=subprocess.PIPE, stderr=errors, env=environment,
            timeout=timeout, preexec_fn=preexec
        )
        errors.seek(0)
        result.stderr = errors.read()
    return result


def run_case(case, args):
    folder = TaskFolder(args.wine_tasks_dir)
    failures = []
    try:
        for number, step in enumerate(case["steps"], 1):
            environment = folder.environment()
            if not args.wine_tasks_dir:
                HostileSetup.apply(step.get("setup", []), folder.scratch)
                if "tasks_dir" in step:
                    environment["JOBWARDEN_TASKS_DIR"] = os.path.join(
                        folder.scratch, step["tasks_dir"])
            command = args.launcher + [args.exe] + [argument_bytes(a) for a in step["args"]]
            result = run_step(command, environment, args.timeout, HostileSetup.limits(step))
            problems = check_step(step, Host(args.host, args.arch), result, folder)
            if not args.wine_tasks_dir:
                problems += HostileSetup.check(step, folder)
            for problem in problems:
                failures.append("step %d %r: %s" % (number, shown_arguments(step), problem))
    finally:
        folder.close()
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cases", required=True, nargs="+", help="JSON case files")
    parser.add_argument("--exe", required=True, help="the Jobwarden executable")
    parser.add_argument("--launcher", default="", help="command prefix, e.g. wine64")
    parser.add_argument("--host", default="linux", help="whose expectations apply: linux or wine")
    parser.add_argument("--arch", default=None, help="under Wine: i686 or x86_64")
    parser.add_argument("--wine-tasks-dir", default=None,
                        help="the Wine prefix's task folder, emptied before each case")
    parser.add_argument("--filter", default=None, help="run only cases whose name holds this")
    parser.add_argument("--timeout", type=float, default=60)
    args = parser.parse_args()
    args.launcher = args.launcher.split() if args.launcher else []

    cases = []
    for path in args.cases:
        with open(path, encoding="utf-8") as handle:
            cases.extend(json.load(handle)["cases"])

    failed = 0
    ran = 0
    for case in cases:
        if args.filter and args.filter not in case["name"]:
            continue
        host = Host(args.host, args.arch)
        if not set(host.names) & set(case.get("hosts", host.names)):
            continue
        try:
            failures = run_case(case, args)
        except SkipCase as reason:
            print("SKIP %s: %s" % (case["name"], reason))
            continue
        ran += 1
        if failures and args.wine_tasks_dir:
            # Wine's own services, busy on a prefix that is still young,
            # now and then fail a step that passes on every other run (a
            # delete refused while the service reads the new task, a
            # step's output lost). A case is run once more from an empty
            # folder; a fault that is really there fails both times.
            retried = run_case(case, args)
            if not retried:
                print("FLAKY %s (passed when run again); first run:" % case["name"])
                for failure in failures:
                    print("    " + failure)
            failures = retried
        if failures:
            failed += 1
            print("FAIL %s" % case["name"])
            for failure in failures:
                print("    " + failure)
    print("%d of %d cases passed" % (ran - failed, ran))
    return 1 if failed or ran == 0 else 0


if __name__ == "__main__":
    sys.exit(main())

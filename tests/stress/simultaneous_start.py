#!/usr/bin/env python3
"""Jobwarden processes started at one instant on one task folder.

Each round forks its processes first; every child waits on one pipe and
execs Jobwarden only when the parent closes that pipe, so all of them start
together. Checked over many rounds, each in a task folder of its own:

- case variants: 2 and 16 creates of one name in different cases leave
  exactly one task, stored under the name of the one create that succeeded;
  every other create is refused with a message of the failure table;
- one name: 4 creates of the very same name give one success and three
  refusals, each the unique-name message (NewWorkItem saw the stored task)
  or "Error creating job." (the first save lost the race);
- create against delete: a /create and a /delete of one name never both
  report success while the task stays stored, and a delete that reported
  success is never undone;
- killed writers: after creates killed with SIGKILL at random moments (some
  in the middle of a save) and one further /create, no temporary file is
  left in the folder;
- closed output: /query into a pipe whose reader is gone, or that reads a
  few bytes and closes, ends with status 0.

A failure can be repeated with --seed.
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

UNIQUE = "\nError creating job: Please specifiy a unique job name."
CREATE_FAILED = "\nError creating job."
SAVE_FAILED = "\nError saving job file."
DELETE_FAILED = "\nError deleting task, Please make sure the task name is valid."


def create_args(name):
    return ["/create", "/tn", name, "/sc", "daily", "/ru", "system", "/tr", "run.exe"]


class Together:
    """Processes forked now and started at one instant by release().

    Each child waits for end-of-file on one pipe before it execs Jobwarden;
    closing the parent's write end releases them all at once. Output goes
    to files, read once every child has ended."""

    def __init__(self, exe, env, timeout):
        self.exe = exe
        self.env = env
        self.timeout = timeout
        self.read_end, self.write_end = os.pipe()
        self.children = []  # (pid, output file, errors file)

    def add(self, args, delay=0.0):
        """`delay`: seconds the child waits after the release."""
        output = tempfile.TemporaryFile()
        errors = tempfile.TemporaryFile()
        pid = os.fork()
        if pid == 0:
            try:
                os.close(self.write_end)  # else the pipe never reaches end-of-file
                os.dup2(output.fileno(), 1)
                os.dup2(errors.fileno(), 2)
                while os.read(self.read_end, 1):
                    pass
                os.close(self.read_end)
                if delay:
                    time.sleep(delay)
                os.execve(self.exe, [self.exe] + args, self.env)
            finally:
                os._exit(127)
        self.children.append((pid, output, errors))

    def release(self):
        """Starts every process; returns [(status, output, errors)] in order."""
        os.close(self.read_end)
        os.close(self.write_end)
        deadline = time.monotonic() + self.timeout
        results = []
        for pid, output, errors in self.children:
            while True:
                ended, status = os.waitpid(pid, os.WNOHANG)
                if ended:
                    break
                if time.monotonic() > deadline:
                    os.kill(pid, signal.SIGKILL)
                time.sleep(0.001)
            output.seek(0)
            errors.seek(0)
            results.append((os.waitstatus_to_exitcode(status),
                            output.read().decode("utf-8", "replace"), errors.read()))
            output.close()
            errors.close()
        return results


class Stress:
    def __init__(self, args):
        self.args = args
        self.random = random.Random(args.seed)
        self.scratch = tempfile.mkdtemp(prefix="jobwarden-together-")
        self.problems = []
        self.folders = 0
        self.rounds_run = 0

    def new_folder(self):
        self.folders += 1
        folder = os.path.join(self.scratch, "tasks-%d" % self.folders)
        return folder, dict(os.environ, JOBWARDEN_TASKS_DIR=folder)

    def fail(self, what, detail):
        self.problems.append("%s: %s" % (what, detail))

    def run(self, env, args):
        result = subprocess.run([self.args.exe] + args, env=env, capture_output=True,
                                timeout=self.args.timeout)
        return result.returncode, result.stdout.decode("utf-8", "replace"), result.stderr

    def together(self, env, argument_lists, delays=None):
        group = Together(self.args.exe, env, self.args.timeout)
        for number, args in enumerate(argument_lists):
            group.add(args, delays[number] if delays else 0.0)
        return group.release()

    @staticmethod
    def entries(folder):
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def listed(self, env):
        """The task names /query lists, each with whether it has its trigger."""
        status, output, errors = self.run(env, ["/query"])
        if status != 0 or errors:
            return None
        tasks = {}
        for line in output.split("\n")[1:]:
            name, _, trigger = line.partition(".job")
            tasks[name] = trigger.startswith(" At ")
        return tasks

    def check_creates(self, what, names, refusals):
        """Creates of `names` at once: one success, one complete task."""
        folder, env = self.new_folder()
        results = self.together(env, [create_args(name) for name in names])
        winners = [name for name, (status, _, _) in zip(names, results) if status == 0]
        for name, (status, output, errors) in zip(names, results):
            if errors or (status == 0 and output) or (status != 0 and (
                    status != 1 or output not in refusals)):
                self.fail(what, "%s ended with %d, %r, %r" % (name, status, output, errors))
        if len(winners) != 1:
            self.fail(what, "%d creates succeeded: %r" % (len(winners), winners))
        entries = self.entries(folder)
        if len(winners) == 1 and entries != [winners[0] + ".job"]:
            self.fail(what, "the folder holds %r, the winner was %r" % (entries, winners[0]))
        tasks = self.listed(env)
        if tasks is None or len(tasks) != 1 or not all(tasks.values()):
            self.fail(what, "listed %r" % tasks)

    @staticmethod
    def case_variants(count):
        """`count` spellings of one name, no two alike."""
        word = "backup"
        return ["".join(c.upper() if (i >> k) & 1 else c for k, c in enumerate(word))
                for i in range(count)]

    def create_against_delete(self):
        what = "create against delete"
        folder, env = self.new_folder()
        os.makedirs(folder)
        jobs = [create_args("Backup"), ["/delete", "/tn", "backup"]]
        # Every other round the delete starts a moment later, so that it
        # also meets the create between its two saves.
        delays = [0.0, self.random.uniform(0, self.args.kill_window) if self.rounds_run % 2 else 0.0]
        self.rounds_run += 1
        if self.random.random() < 0.5:
            jobs.reverse()
            delays.reverse()
        results = dict(zip(("create" if job[0] == "/create" else "delete" for job in jobs),
                           self.together(env, jobs, delays)))
        created, deleted = results["create"][0] == 0, results["delete"][0] == 0
        stored = "Backup.job" in self.entries(folder)
        allowed = {"create": {CREATE_FAILED, SAVE_FAILED}, "delete": {DELETE_FAILED}}
        for command, (status, output, errors) in results.items():
            if errors or (status == 0 and output) or (
                    status != 0 and (status != 1 or output not in allowed[command])):
                self.fail(what, "%s ended with %d, %r, %r" % (command, status, output, errors))
        if deleted and stored:
            self.fail(what, "the delete succeeded (create %s) and the task is stored"
                      % ("succeeded too" if created else "failed"))
        if not deleted and not (created and stored):
            self.fail(what, "the delete failed, yet the create %s and the task is %s"
                      % ("succeeded" if created else "failed",
                         "stored" if stored else "gone"))
        if self.entries(folder) not in ([], ["Backup.job"]):
            self.fail(what, "the folder holds %r" % self.entries(folder))
        return created, deleted, stored

    def killed_writers(self):
        what = "killed writers"
        folder, env = self.new_folder()
        os.makedirs(folder)
        kills = 0
        temporary = []
        # At least the number asked for, and more until one of them was
        # killed in the middle of a save: else the check shows nothing.
        while kills < self.args.kills or (not temporary and kills < 10 * self.args.kills):
            process = subprocess.Popen([self.args.exe] + create_args("Killed %d" % kills),
                                       env=env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            time.sleep(self.random.uniform(0, self.args.kill_window))
            process.send_signal(signal.SIGKILL)
            process.wait(timeout=self.args.timeout)
            kills += 1
            temporary = [e for e in self.entries(folder) if not e.endswith(".job")]
        print("killed writers: %d kills left %d temporary files" % (kills, len(temporary)))
        status, output, errors = self.run(env, create_args("After the kills"))
        if status != 0 or output or errors:
            self.fail(what, "the further create ended with %d, %r, %r" % (status, output, errors))
        left = [e for e in self.entries(folder) if not e.endswith(".job")]
        if left:
            self.fail(what, "left in the folder after a further save: %r" % left)

    def closed_output(self):
        what = "closed output"
        folder, env = self.new_folder()
        status, _, _ = self.run(env, create_args("Template"))
        if status != 0:
            return self.fail(what, "could not store the template task")
        template = os.path.join(folder, "Template.job")
        for number in range(200):  # a listing well past one stdio buffer
            shutil.copyfile(template, os.path.join(folder, "Task %03d.job" % number))
        # A reader gone before the first write.
        read_end, write_end = os.pipe()
        os.close(read_end)
        process = subprocess.Popen([self.args.exe, "/query"], env=env, stdout=write_end,
                                   stderr=subprocess.PIPE)
        os.close(write_end)
        _, errors = process.communicate(timeout=self.args.timeout)
        if process.returncode != 0 or errors:
            self.fail(what, "/query into a closed pipe ended with %d, %r"
                      % (process.returncode, errors))
        # /query | head -c10
        process = subprocess.Popen([self.args.exe, "/query"], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        process.stdout.read(10)
        process.stdout.close()
        errors = process.stderr.read()
        process.wait(timeout=self.args.timeout)
        if process.returncode != 0 or errors:
            self.fail(what, "/query | head -c10 ended with %d, %r" % (process.returncode, errors))

    def main(self):
        try:
            choices = [UNIQUE, CREATE_FAILED]
            for _ in range(self.args.rounds):
                self.check_creates("2 case variants", self.case_variants(2), choices)
                self.check_creates("16 case variants", self.case_variants(16), choices)
                self.check_creates("4 creates of one name", ["Backup"] * 4, choices)
            outcomes = {}
            for _ in range(self.args.rounds):
                outcome = self.create_against_delete()
                outcomes[outcome] = outcomes.get(outcome, 0) + 1
            print("create against delete (created, deleted, stored): %r" % outcomes)
            self.killed_writers()
            self.closed_output()
        finally:
            shutil.rmtree(self.scratch, ignore_errors=True)
        for problem in self.problems:
            print("FAIL " + problem)
        print("%d rounds: %s" % (self.args.rounds, "failed" if self.problems else "passed"))
        return 1 if self.problems else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the Jobwarden executable")
    parser.add_argument("--rounds", type=int, default=50)
    parser.add_argument("--kills", type=int, default=40)
    parser.add_argument("--kill-window", type=float, default=0.008,
                        help="seconds after its start within which a create is killed")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=60)
    return Stress(parser.parse_args()).main()


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Several Jobwarden processes at once on one task folder.

Each worker runs a fixed number of rounds; a round is a /create, a /delete
or a /query, chosen by a seeded generator so a failure can be repeated with
--seed. Workers create and delete tasks of their own, which nobody else
touches and which must therefore always succeed, and fight over a few
shared names, where every outcome must be one of the documented ones.

Afterwards:
- every own task whose create succeeded and that was not deleted is listed,
  and no other own task is;
- every listed task is readable (a listing with its trigger text: a torn
  or damaged file would be listed by name alone);
- no temporary file is left in the folder;
- every refusal printed one of the documented messages, and every /query
  listed only names that some worker used.
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading

SHARED_NAMES = ["Shared %d" % i for i in range(4)]
MESSAGES = {
    "create": {
        "\nError creating job: Please specifiy a unique job name.",
        "\nError creating job.",
        "\nError saving job file.",
    },
    "delete": {"\nError deleting task, Please make sure the task name is valid."},
    "query": set(),
}
LISTED = re.compile(r"\n([^\n]+?)\.job( At [^\n]+)?")


def run(exe, env, args, timeout):
    result = subprocess.run([exe] + args, capture_output=True, env=env, timeout=timeout)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr


class Worker:
    def __init__(self, number, args, env):
        self.number = number
        self.args = args
        self.env = env
        self.random = random.Random(args.seed * 1000 + number)
        self.own = []        # own tasks stored now, in order of creation
        self.created = 0
        self.problems = []

    def create(self, name):
        return run(self.args.exe, self.env,
                   ["/create", "/tn", name, "/sc", "daily", "/ru", "system", "/tr", "run.exe"],
                   self.args.timeout)

    def round(self, number):
        choice = self.random.random()
        if choice < 0.35:
            name = "Worker %d task %d" % (self.number, number)
            status, output, errors = self.create(name)
            self.check("create", status, output, errors, own=True)
            if status == 0:
                self.own.append(name)
        elif choice < 0.5 and self.own:
            name = self.own.pop(self.random.randrange(len(self.own)))
            status, output, errors = run(self.args.exe, self.env, ["/delete", "/tn", name],
                                         self.args.timeout)
            self.check("delete", status, output, errors, own=True)
        elif choice < 0.7:
            status, output, errors = self.create(self.random.choice(SHARED_NAMES))
            self.check("create", status, output, errors, own=False)
        elif choice < 0.85:
            status, output, errors = run(
                self.args.exe, self.env, ["/delete", "/tn", self.random.choice(SHARED_NAMES)],
                self.args.timeout)
            self.check("delete", status, output, errors, own=False)
        else:
            status, output, errors = run(self.args.exe, self.env, ["/query"], self.args.timeout)
            self.check("query", status, output, errors, own=True)
            for name, _ in LISTED.findall(output):
                if not (name in SHARED_NAMES or name.startswith("Worker ")):
                    self.problems.append("query listed %r" % name)

    def check(self, command, status, output, errors, own):
        if errors:
            self.problems.append("%s wrote to standard error: %r" % (command, errors))
        if status == 0:
            if command != "query" and output:
                self.problems.append("%s succeeded with output %r" % (command, output))
            return
        if own:
            self.problems.append("%s of an own task failed: %d %r" % (command, status, output))
        elif status != 1 or output not in MESSAGES[command]:
            self.problems.append("%s ended with %d and %r" % (command, status, output))

    def work(self):
        try:
            for number in range(self.args.rounds):
                self.round(number)
        except Exception as error:  # reported, never lost with the thread
            self.problems.append("worker stopped: %r" % error)


def final_problems(args, env, folder, workers):
    problems = []
    status, output, errors = run(args.exe, env, ["/query"], args.timeout)
    if status != 0 or errors:
        return ["final query ended with %d, %r" % (status, errors)]
    listed = LISTED.findall(output)
    if "".join("\n%s.job%s" % entry for entry in listed) != output:
        problems.append("final listing is not one task per line: %r" % output)
    for name, trigger in listed:
        if not trigger:
            problems.append("%s is listed without its trigger: torn or unreadable" % name)
    names = {name for name, _ in listed}
    expected_own = {name for worker in workers for name in worker.own}
    listed_own = {name for name in names if name.startswith("Worker ")}
    for name in sorted(expected_own - listed_own):
        problems.append("%s was created and never deleted, but is gone" % name)
    for name in sorted(listed_own - expected_own):
        problems.append("%s was deleted, but is still listed" % name)
    for entry in sorted(os.listdir(folder)):
        if not entry.endswith(".job"):
            problems.append("left behind in the task folder: %s" % entry)
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the Jobwarden executable")
    parser.add_argument("--workers", type=int, default=6)
    parser.add_argument("--rounds", type=int, default=40)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=60)
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="jobwarden-stress-")
    folder = os.path.join(scratch, "tasks")
    env = dict(os.environ, JOBWARDEN_TASKS_DIR=folder)
    try:
        workers = [Worker(number, args, env) for number in range(args.workers)]
        threads = [threading.Thread(target=worker.work) for worker in workers]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        problems = [p for worker in workers for p in worker.problems]
        problems += final_problems(args, env, folder, workers)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    for problem in problems:
        print("FAIL " + problem)
    print("%d workers x %d rounds: %s" % (args.workers, args.rounds,
                                         "failed" if problems else "passed"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

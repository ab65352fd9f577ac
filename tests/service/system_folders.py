#!/usr/bin/env python3
"""Root's defaults: with neither JOBWARDEN_TASKS_DIR nor the XDG variables,
root's Jobwarden and jobwarden-service use the system's folders, tasks in
/var/lib/jobwarden/tasks, state in /var/lib/jobwarden, the run log in
/var/log/jobwarden. Checked in a private mount namespace (unshare -m) whose
/var/lib and /var/log are empty tmpfs mounts, so that the machine's own /var
is never touched; skipped, with the reason, where that cannot be had.

A task stored in root's former per-user folder is said, with how to move
it. A task run as nobody leaves its output in nobody's own folder, which
nobody can list and read and others cannot, and nobody's own `status`
names that folder.
"""
import argparse
import glob
import os
import pwd
import stat
import subprocess
import sys
import tempfile

from script_support import Failure, check


def run(arguments, env, user=None):
    if user:
        account = pwd.getpwnam(user)
        arguments = ["setpriv", f"--reuid={account.pw_uid}", f"--regid={account.pw_gid}",
                     "--init-groups", *arguments]
    return subprocess.run(arguments, env=env, capture_output=True, text=True, timeout=30)


def inside(args):
    for folder in ("/var/lib", "/var/log"):
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=0755", "tmpfs", folder], check=True)
    nobody = pwd.getpwnam("nobody")
    with tempfile.TemporaryDirectory(prefix="jobwarden-system-") as home:
        os.chmod(home, 0o755)
        env = {"PATH": "/usr/bin:/bin", "HOME": home, "TZ": "UTC0"}
        former = os.path.join(home, ".local/share/jobwarden/tasks")
        os.makedirs(former, mode=0o700)
        create = [args.jobwarden, "/create", "/sc", "daily", "/ru"]
        result = run([*create, "system", "/tn", "Old", "/tr", "true"],
                     dict(env, JOBWARDEN_TASKS_DIR=former))
        check(result.returncode == 0, f"/create Old: {result.stdout}{result.stderr}")

        result = run([*create, "system", "/tn", "Mine", "/tr", '"/bin/echo" root-out'], env)
        check(result.returncode == 0, f"/create Mine: {result.stdout}{result.stderr}")
        notice = (f"1 task remains in root's former task folder {former}; root's tasks are in "
                  f"/var/lib/jobwarden/tasks now. Move them with: mv '{former}'/*.job "
                  "/var/lib/jobwarden/tasks/")
        check(result.stderr == f"Jobwarden: {notice}\n", f"Jobwarden said: {result.stderr!r}")
        result = run([*create, "nobody", "/rp", "unused", "/tn", "Theirs", "/tr",
                      '"/bin/echo" nobody-out'], env)
        check(result.returncode == 0, f"/create Theirs: {result.stdout}{result.stderr}")
        check(sorted(os.listdir("/var/lib/jobwarden/tasks")) == ["Mine.job", "Theirs.job"],
              f"the system task folder holds {os.listdir('/var/lib/jobwarden/tasks')}")

        for task in ("Mine", "Theirs"):
            result = run([args.service, "run", task], env)
            check(result.returncode == 0, f"run {task}: {result.stderr}")
        log = open("/var/log/jobwarden/run.log").read()
        check(log.count("\tfinished: exit code 0") == 2, f"the run log: {log}")
        check(stat.S_IMODE(os.stat("/var/lib/jobwarden").st_mode) == 0o711,
              "the state folder is not 0711")
        mine = glob.glob("/var/lib/jobwarden/output/Mine.job-*.out")
        check(len(mine) == 1 and open(mine[0]).read() == "root-out\n", f"root's output: {mine}")
        folder = "/var/lib/jobwarden/output/nobody"
        info = os.stat(folder)
        check((info.st_uid, stat.S_IMODE(info.st_mode)) == (nobody.pw_uid, 0o700),
              f"{folder}: uid {info.st_uid}, mode {oct(info.st_mode)}")
        listing = run(["ls", folder], env, user="nobody")
        check(listing.returncode == 0 and listing.stdout.startswith("Theirs.job-"),
              f"nobody lists its folder: {listing.stdout}{listing.stderr}")
        check(run(["ls", "/var/lib/jobwarden/output"], env, user="nobody").returncode != 0,
              "nobody lists the others' outputs")
        theirs = run(["cat", os.path.join(folder, listing.stdout.strip())], env, user="nobody")
        check(theirs.stdout == "nobody-out\n", f"nobody reads: {theirs.stdout}{theirs.stderr}")

        status = run([args.service, "status"], env).stdout
        check(f"Tasks in /var/lib/jobwarden/tasks:\n{notice}\n" in status, f"status: {status}")
        own_home = os.path.join(home, "nobody")
        os.mkdir(own_home)
        os.chown(own_home, nobody.pw_uid, nobody.pw_gid)
        status = run([args.service, "status"], dict(env, HOME=own_home), user="nobody").stdout
        check(f"The outputs of the tasks that root's service runs as nobody are in {folder}\n"
              in status, f"nobody's status: {status}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--jobwarden", required=True)
    parser.add_argument("--service", required=True)
    parser.add_argument("--inside", action="store_true")
    args = parser.parse_args()
    if args.inside:
        try:
            inside(args)
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
        print("passed")
        return 0
    if os.geteuid() != 0:
        print("Skipped: root's defaults are root's: this test needs root")
        return 77
    try:
        pwd.getpwnam("nobody")
    except KeyError:
        print("Skipped: no user nobody on this machine")
        return 77
    probe = subprocess.run(["unshare", "-m", "true"], capture_output=True, text=True)
    if probe.returncode != 0:
        print(f"Skipped: no private mount namespace here: {probe.stderr.strip()}")
        return 77
    result = subprocess.run(["unshare", "-m", "--propagation", "private", sys.executable, "-B",
                             __file__, "--inside", "--jobwarden", args.jobwarden,
                             "--service", args.service], timeout=120)
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())

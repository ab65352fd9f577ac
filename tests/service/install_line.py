#!/usr/bin/env python3
"""jobwarden-service install, status and the crontab line it writes, with a
stand-in crontab program (a file): the task folder is recorded absolute and
canonical when JOBWARDEN_TASKS_DIR is relative and reached through a
symbolic link, and the line cron would run reaches that very folder under
sh, bash, dash and tcsh (SHELL -c COMMAND, as cron starts it), and prints
nothing there once the program it names is gone.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

from script_support import Failure, check

SHELLS = ("sh", "bash", "dash", "tcsh")
CRONTAB = """#!/bin/sh
case "$1" in
  -l) [ -f "$0.tab" ] || { echo "no crontab for $(id -un)" >&2; exit 1; }; cat "$0.tab" ;;
  -) cat > "$0.tab" ;;
esac
"""


def run(arguments, env, cwd, expect=0):
    result = subprocess.run(arguments, env=env, cwd=cwd, capture_output=True, text=True, timeout=20)
    check(result.returncode == expect,
          f"{arguments} ended with {result.returncode}, not {expect}:\n{result.stdout}{result.stderr}")
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--service", required=True)
    service = os.path.realpath(parser.parse_args().service)
    root = os.path.realpath(tempfile.mkdtemp(prefix="jobwarden-line-"))
    try:
        os.mkdir(os.path.join(root, "real"))
        os.symlink("real", os.path.join(root, "link"))
        crontab = os.path.join(root, "crontab")
        with open(crontab, "w") as file:
            file.write(CRONTAB)
        os.chmod(crontab, 0o700)
        typed = "tasks it's \"q\" $(echo x) `echo y` !1"
        folder = os.path.join(root, "real", typed)
        # The state folder the line records, so that the line's run-due,
        # even as root, keeps its notes here.
        state = os.path.join(root, "state")
        env = {"PATH": "/usr/bin:/bin", "HOME": root, "JOBWARDEN_CRONTAB": crontab,
               "JOBWARDEN_TASKS_DIR": typed, "XDG_STATE_HOME": state,
               "JOBWARDEN_WTMP": os.path.join(root, "wtmp")}

        said = run([service, "install"], env, os.path.join(root, "link")).stdout
        check(said == f"jobwarden-service is installed: cron runs it every minute for the tasks in {folder}\n",
              f"install said {said!r}")
        with open(crontab + ".tab") as file:
            line = file.read()
        quoted = folder.replace("'", "'\\''").replace("!", "'\\!'")
        check(line == f"* * * * * test -x '{service}' && /usr/bin/env JOBWARDEN_TASKS_DIR='{quoted}' "
                      f"XDG_STATE_HOME='{state}' '{service}' run-due # jobwarden-service\n"
                      f"@reboot test -x '{service}' && /usr/bin/env JOBWARDEN_TASKS_DIR='{quoted}' "
                      f"XDG_STATE_HOME='{state}' '{service}' system-start # jobwarden-service\n",
              f"the lines: {line!r}")

        through_link = dict(env, JOBWARDEN_TASKS_DIR=os.path.join(root, "link", typed))
        status = run([service, "status"], through_link, "/").stdout.splitlines()
        check(status[0] == "jobwarden-service is installed: cron runs it every minute", status)
        elsewhere = dict(env, JOBWARDEN_TASKS_DIR=os.path.join(root, "other"))
        status = run([service, "status"], elsewhere, "/").stdout.splitlines()
        check(status[0] == f"jobwarden-service is installed for another task folder: {folder} "
                           "(jobwarden-service install makes it this one)", status)

        # A file where the folder should be: run-due names the folder it was
        # given as one it cannot list.
        open(folder, "w").close()
        command = line.splitlines()[0][len("* * * * * "):]
        # The line a copy installs, once that copy is gone (a package
        # removed, a build folder deleted).
        gone = os.path.join(root, "gone it's !1", "jobwarden-service")
        os.mkdir(os.path.dirname(gone))
        shutil.copy(service, gone)
        run([gone, "install"], env, root)
        os.remove(gone)
        with open(crontab + ".tab") as file:
            minute, boot = file.read().splitlines()
        gone_commands = [minute[len("* * * * * "):], boot[len("@reboot "):]]
        missing = []
        for shell in SHELLS:
            if shutil.which(shell) is None:
                missing.append(shell)
                continue
            clean = {"PATH": "/usr/bin:/bin", "HOME": root, "SHELL": shell}
            result = run([shell, "-c", command], clean, "/", expect=1)
            check(result.stderr.startswith(f"jobwarden-service: cannot list the task folder {folder} (0x"),
                  f"under {shell}: {result.stderr!r}")
            for gone_command in gone_commands:
                result = subprocess.run([shell, "-c", gone_command], env=clean, cwd="/",
                                        capture_output=True, text=True, timeout=20)
                check(result.stdout + result.stderr == "",
                      f"under {shell}, with the program gone: {result.stdout + result.stderr!r}")
        if missing:
            print(f"skipped: not installed: {' '.join(missing)} (scripts/install-packages.sh installs them)")
            return 77
        print("install line: ok")
        return 0
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

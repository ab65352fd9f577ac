#!/usr/bin/env python3
"""loader_runs.py LOADER: whether this machine can execute the Wine loader
LOADER at all. Exit status 0: it can (whatever the loader then does with
"--version": a loader that starts and fails is the suite's to report);
77: the kernel refuses the program's format (ENOEXEC, "Exec format error"),
as a kernel built without 32-bit support refuses every i386 program; 1: the
loader cannot be started for another reason (missing, not executable).

The loader is executed directly, not through a shell: a shell that meets
ENOEXEC tries the file as a script of its own instead of saying so.
"""
import errno
import subprocess
import sys


def main():
    loader = sys.argv[1]
    try:
        subprocess.run([loader, "--version"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    except OSError as error:
        if error.errno == errno.ENOEXEC:
            print(f"{loader}: {error.strerror}")
            return 77
        print(f"{loader} cannot be started: {error.strerror}")
        return 1
    except subprocess.TimeoutExpired:
        pass  # it runs; what hangs is for the suite to find
    return 0


if __name__ == "__main__":
    sys.exit(main())

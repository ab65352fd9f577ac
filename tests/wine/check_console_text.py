#!/usr/bin/env python3
"""Wide text through Jobwarden's console writer reaches a redirected output
as exact UTF-8, with CR LF line ends, under Wine: Cyrillic, CJK and a character beyond the Basic
Multilingual Plane (a surrogate pair in UTF-16) come out whole, and a text
far larger than a pipe's buffer comes out to its last byte.

With a terminal as standard output (a pseudo-terminal from script(1)), Wine
gives the program a console, and the writer takes its other path,
WriteConsoleW: the characters must reach the terminal as themselves, not as
question marks. Wine's console draws the text with control sequences of its
own (cursor hiding, line ends as CR LF), which are taken out before the
comparison; it shows each half of a surrogate pair as U+FFFD, so that path
is checked with characters of the Basic Multilingual Plane only.
"""

import argparse
import os
import re
import shlex
import subprocess
import sys

TEXTS = [
    ("Cyrillic", 1, "Резервная копия"),
    ("CJK", 1, "備份任務"),
    ("a surrogate pair", 1, "🗓 task"),
    ("mixed, with line ends", 1, "\nЗадача 任務\n"),
    # About 3 MB of UTF-8: many times a pipe's buffer, so the writer has to
    # carry on after partial writes.
    ("a large text", 100000, "Задача-任務-🗓\n"),
]
# Shorter than a terminal line, so the console does not wrap it.
CONSOLE_TEXT = "Резервная копия 備份任務"
TERMINAL_CONTROL = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\r")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--probe", required=True, help="console_text_probe.exe")
    parser.add_argument("--launcher", default="wine64")
    args = parser.parse_args()

    failed = 0
    for what, count, text in TEXTS:
        command = args.launcher.split() + [args.probe, str(count), text]
        result = subprocess.run(command, capture_output=True, timeout=120)
        expected = (text * count).replace("\n", "\r\n").encode("utf-8")
        if result.returncode != 0 or result.stdout != expected:
            failed += 1
            print("FAIL %s: status %d, %d bytes, expected %d; first difference at %d"
                  % (what, result.returncode, len(result.stdout), len(expected),
                     first_difference(result.stdout, expected)))
    failed += check_console(args)
    print("%d of %d console texts passed" % (len(TEXTS) + 1 - failed, len(TEXTS) + 1))
    return 1 if failed else 0


def check_console(args):
    command = " ".join(shlex.quote(part) for part in
                       args.launcher.split() + [args.probe, "1", CONSOLE_TEXT])
    result = subprocess.run(["script", "-qec", command, "/dev/null"], capture_output=True,
                            stdin=subprocess.DEVNULL, timeout=120,
                            env=dict(os.environ, LANG="C.UTF-8"))
    shown = TERMINAL_CONTROL.sub(b"", result.stdout)
    if result.returncode != 0 or shown != CONSOLE_TEXT.encode("utf-8"):
        print("FAIL on a console: status %d, shown %r" % (result.returncode, shown))
        return 1
    return 0


def first_difference(actual, expected):
    for index, (a, b) in enumerate(zip(actual, expected)):
        if a != b:
            return index
    return min(len(actual), len(expected))


if __name__ == "__main__":
    sys.exit(main())

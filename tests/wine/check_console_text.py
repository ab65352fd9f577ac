#!/usr/bin/env python3
"""Wide text through Jobwarden's console writer reaches a redirected output
as exact UTF-8 under Wine: Cyrillic, CJK and a character beyond the Basic
Multilingual Plane (a surrogate pair in UTF-16) come out whole, and a text
far larger than a pipe's buffer comes out to its last byte.
"""

import argparse
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


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--probe", required=True, help="console_text_probe.exe")
    parser.add_argument("--launcher", default="wine64")
    args = parser.parse_args()

    failed = 0
    for what, count, text in TEXTS:
        command = args.launcher.split() + [args.probe, str(count), text]
        result = subprocess.run(command, capture_output=True, timeout=120)
        expected = (text * count).encode("utf-8")
        if result.returncode != 0 or result.stdout != expected:
            failed += 1
            print("FAIL %s: status %d, %d bytes, expected %d; first difference at %d"
                  % (what, result.returncode, len(result.stdout), len(expected),
                     first_difference(result.stdout, expected)))
    print("%d of %d console texts passed" % (len(TEXTS) - failed, len(TEXTS)))
    return 1 if failed else 0


def first_difference(actual, expected):
    for index, (a, b) in enumerate(zip(actual, expected)):
        if a != b:
            return index
    return min(len(actual), len(expected))


if __name__ == "__main__":
    sys.exit(main())

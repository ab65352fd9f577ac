#!/usr/bin/env python3
"""Runs osreport.exe under Wine once per Windows version in
osreport_cases.json, with and without /F, and compares the output byte for
byte. Wine is told which version to report through the value that winecfg
sets, HKCU\\Software\\Wine\\Version; the value is removed again at the end.

With --basic-probe, basic_record_probe.exe runs instead, for the versions
that give "basic_edition": osreport's report when only the basic record is
granted, as on Windows 95 and early NT 4.0.

osreport writes through the C runtime's printf, whose standard output is in
text mode on Windows: every line end written reaches a redirected output as
CR LF. The expected texts are written with plain line ends and compared in
that form.
"""

import argparse
import json
import subprocess
import sys
import time

WINE_KEY = "HKCU\\Software\\Wine"


def set_wine_version(launcher, version):
    """Wine's registry service, busy on a young prefix, now and then refuses
    a write that succeeds a moment later: tried up to three times."""
    command = launcher + ["reg", "add", WINE_KEY, "/v", "Version", "/d", version, "/f"]
    for attempt in range(3):
        result = subprocess.run(command, capture_output=True, timeout=60)
        if result.returncode == 0:
            return
        time.sleep(1)
    raise RuntimeError(f"{' '.join(command)} failed {attempt + 1} times: {result.stderr!r}")


def forget_wine_version(launcher):
    command = launcher + ["reg", "delete", WINE_KEY, "/v", "Version", "/f"]
    subprocess.run(command, capture_output=True, timeout=60)


def check_run(launcher, exe, args, expected):
    result = subprocess.run(launcher + [exe] + args, capture_output=True, timeout=60)
    problems = []
    if result.returncode != 0:
        problems.append("exit status %d, expected 0" % result.returncode)
    if result.stderr:
        problems.append("standard error not empty: %r" % result.stderr)
    expected_bytes = expected.replace("\n", "\r\n").encode("ascii")
    if result.stdout != expected_bytes:
        problems.append("output %r, expected %r" % (result.stdout, expected_bytes))
    return ["osreport %s: %s" % (" ".join(args), p) for p in problems]


def full_record_failures(launcher, exe, case):
    failures = check_run(launcher, exe, [], case["edition"])
    failures += check_run(launcher, exe, ["/F"], case["full"] + case["edition"])
    # The platform's own case-blind comparison decides the switch.
    failures += check_run(launcher, exe, ["/f", "x"], case["full"] + case["edition"])
    failures += check_run(launcher, exe, ["-F"], case["edition"])
    return failures


def basic_record_failures(launcher, probe, case):
    """The basic record's report is the four lines every record has."""
    basic_fields = "".join(case["full"].splitlines(True)[:4])
    failures = check_run(launcher, probe, [], case["basic_edition"])
    failures += check_run(launcher, probe, ["/F"], basic_fields + case["basic_edition"])
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cases", required=True)
    parser.add_argument("--exe", required=True, help="osreport.exe")
    parser.add_argument("--basic-probe", help="basic_record_probe.exe")
    parser.add_argument("--launcher", default="wine64")
    args = parser.parse_args()
    launcher = args.launcher.split()

    with open(args.cases, encoding="utf-8") as handle:
        versions = json.load(handle)["versions"]
    if args.basic_probe:
        versions = [case for case in versions if "basic_edition" in case]
    failed = 0
    try:
        for case in versions:
            set_wine_version(launcher, case["version"])
            if args.basic_probe:
                failures = basic_record_failures(launcher, args.basic_probe, case)
            else:
                failures = full_record_failures(launcher, args.exe, case)
            if failures:
                failed += 1
                print("FAIL Wine version %s" % case["version"])
                for failure in failures:
                    print("    " + failure)
    finally:
        forget_wine_version(launcher)
    print("%d of %d Windows versions passed" % (len(versions) - failed, len(versions)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

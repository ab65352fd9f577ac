#!/usr/bin/env python3
"""Each Windows executable stands alone and loads where it says it does: it
is an image of the expected machine, imports nothing but DLLs that every
Windows installation has (no MinGW runtime DLL), and carries our
application manifest. With --reach, each import must be a function of the
committed table (import_reach.json) that the program's oldest Windows
already has, and the PE subsystem version must be 4.0, the version Windows
NT 4.0 loads; with --max-size, the file may be no larger than given.
"""

import argparse
import json
import os
import re
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "ole32.dll"}
MANIFEST_MARKS = [
    b'level="asInvoker"',
    b"{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    b"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    b"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    b"{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
]


def imports_of(headers):
    """{dll (lower case): [function, ...]} from objdump -p's import tables."""
    imports = {}
    dll = None
    for line in headers.splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            dll = named.group(1).lower()
            imports.setdefault(dll, [])
            continue
        if not line.strip():
            continue
        entry = re.match(r"\s+[0-9a-f]+\s+[0-9]+\s+(\S+)$", line)
        if dll and entry:
            imports[dll].append(entry.group(1))
        elif not line.startswith("\t") and not line.startswith(" "):
            dll = None
    return imports


def reach_problems(name, imports, headers, table):
    program = table["programs"].get(name)
    if program is None:
        return ["no entry for %s in the import table" % name]
    releases = table["windows_releases"]
    oldest = releases.index(program["oldest_windows"])
    problems = []
    for dll, functions in sorted(imports.items()):
        if dll not in program["dlls"]:
            problems.append("imports from %s, which %s may not use" % (dll, name))
            continue
        known = table["functions"].get(dll, {})
        for function in functions:
            first = known.get(function)
            if first is None:
                problems.append("imports %s!%s, which the table does not list" % (dll, function))
            elif releases.index(first) > oldest:
                problems.append("imports %s!%s, which needs %s (the program names %s)"
                                % (dll, function, first, program["oldest_windows"]))
    subsystem = tuple(re.search(r"%sSubsystemVersion\s+(\d+)" % part, headers).group(1)
                      for part in ("Major", "Minor"))
    if subsystem != ("4", "0"):
        problems.append("subsystem version %s.%s, expected 4.0" % subsystem)
    return problems


def problems_of(path, args, table):
    objdump = args.objdump
    headers = subprocess.run([objdump, "-p", path], capture_output=True, text=True,
                             check=True).stdout
    problems = []
    if ("file format %s" % args.machine) not in subprocess.run(
            [objdump, "-f", path], capture_output=True, text=True, check=True).stdout:
        problems.append("not a %s image" % args.machine)
    imports = imports_of(headers)
    if not set(imports) <= SYSTEM_DLLS:
        problems.append("imports %s" % ", ".join(sorted(set(imports) - SYSTEM_DLLS)))
    if table:
        problems += reach_problems(os.path.basename(path), imports, headers, table)
    with open(path, "rb") as handle:
        image = handle.read()
    for mark in MANIFEST_MARKS:
        if mark not in image:
            problems.append("manifest lacks %s" % mark.decode())
    limit = args.max_size.get(os.path.basename(path))
    if limit is not None:
        print("%s: %d bytes (at most %d)" % (path, len(image), limit))
        if len(image) > limit:
            problems.append("%d bytes, more than %d" % (len(image), limit))
    return problems


def size_limit(text):
    name, _, size = text.partition("=")
    return name, int(size)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    parser.add_argument("--machine", required=True, help="pei-i386 or pei-x86-64")
    parser.add_argument("--reach", help="the import table (import_reach.json)")
    parser.add_argument("--max-size", type=size_limit, action="append", default=[],
                        metavar="NAME=BYTES")
    parser.add_argument("executables", nargs="+")
    args = parser.parse_args()
    args.max_size = dict(args.max_size)
    table = None
    if args.reach:
        with open(args.reach, encoding="utf-8") as handle:
            table = json.load(handle)

    failed = 0
    for path in args.executables:
        for problem in problems_of(path, args, table):
            failed += 1
            print("FAIL %s: %s" % (path, problem))
    print("%d executable(s) checked, %d problem(s)" % (len(args.executables), failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

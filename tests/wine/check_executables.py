#!/usr/bin/env python3
"""Each Windows executable stands alone: it imports nothing but DLLs that
every Windows installation has (no MinGW runtime DLL), and carries our
application manifest. Checked for both Windows targets, so the 32-bit
product, which cannot run here, is at least linked as it should be.
"""

import argparse
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


def problems_of(objdump, path, machine):
    headers = subprocess.run([objdump, "-p", path], capture_output=True, text=True,
                             check=True).stdout
    problems = []
    if ("file format %s" % machine) not in subprocess.run(
            [objdump, "-f", path], capture_output=True, text=True, check=True).stdout:
        problems.append("not a %s image" % machine)
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
    if not imports <= SYSTEM_DLLS:
        problems.append("imports %s" % ", ".join(sorted(imports - SYSTEM_DLLS)))
    with open(path, "rb") as handle:
        image = handle.read()
    for mark in MANIFEST_MARKS:
        if mark not in image:
            problems.append("manifest lacks %s" % mark.decode())
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    parser.add_argument("--machine", required=True, help="pei-i386 or pei-x86-64")
    parser.add_argument("executables", nargs="+")
    args = parser.parse_args()

    failed = 0
    for path in args.executables:
        for problem in problems_of(args.objdump, path, args.machine):
            failed += 1
            print("FAIL %s: %s" % (path, problem))
    print("%d executable(s) checked, %d problem(s)" % (len(args.executables), failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

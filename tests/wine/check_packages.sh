#!/bin/bash
# check_packages.sh zip BUILD [check_executables.py options...]
# check_packages.sh tgz BUILD
# Makes the release archive with cpack in BUILD and checks what it holds: for
# a Windows target a zip with both .exe files, README and licence at the top,
# the programs stripped and passing check_executables.py with the options
# given; for Linux a .tar.gz with both programs and jobwarden-service under bin/,
# README and licence, and nothing else (tests/package checks the Debian
# package).
set -u
here=$(cd "$(dirname "$0")" && pwd)
kind="$1" build="$2"
shift 2
failures=0

archive_of() {
  rm -f "$build"/Jobwarden-*."$kind"
  (cd "$build" && cpack >/dev/null 2>&1) || { echo "FAIL cpack in $build" >&2; return 1; }
  ls "$build"/Jobwarden-*."$kind" 2>/dev/null | head -1
}

expect_members() {
  local archive="$1" listing="$2"; shift 2
  local member
  for member in "$@"; do
    if ! grep -qx -- "$member" <<<"$listing"; then
      echo "FAIL $archive lacks $member"
      failures=$((failures + 1))
    fi
  done
}

check_zip() {
  local archive top scratch
  archive=$(archive_of) && [ -n "$archive" ] || { failures=$((failures + 1)); return; }
  top=$(basename "$archive" .zip)
  expect_members "$archive" "$(python3 -m zipfile -l "$archive" | awk 'NR>1 {print $1}')" \
    "$top/Jobwarden.exe" "$top/osreport.exe" "$top/README.md" "$top/LICENSE"
  scratch=$(mktemp -d /tmp/jobwarden-zip.XXXXXX)
  python3 -m zipfile -e "$archive" "$scratch"
  for program in Jobwarden.exe osreport.exe; do
    if objdump_symbols "$scratch/$top/$program"; then
      echo "FAIL $archive: $program is not stripped"
      failures=$((failures + 1))
    fi
  done
  python3 "$here/check_executables.py" "$@" "$scratch/$top/Jobwarden.exe" \
    "$scratch/$top/osreport.exe" || failures=$((failures + 1))
  rm -rf "$scratch"
}

# True when the image still carries a symbol table.
objdump_symbols() {
  x86_64-w64-mingw32-objdump -t "$1" 2>/dev/null | grep -q '^\[ *[0-9]*\]'
}

check_tgz() {
  local archive top expected
  # cpack with no generator makes the archive alone.
  rm -f "$build"/jobwarden_*.deb
  archive=$(archive_of) && [ -n "$archive" ] || { failures=$((failures + 1)); return; }
  top=$(basename "$archive" .tar.gz)
  expected=$(printf '%s\n' "$top/bin/Jobwarden" "$top/bin/osreport" "$top/bin/jobwarden-service" \
    "$top/README.md" "$top/LICENSE" | LC_ALL=C sort)
  if ! diff <(echo "$expected") <(tar -tzf "$archive" | grep -v '/$' | LC_ALL=C sort); then
    echo "FAIL $archive: its files differ from those above (< expected, > found)"
    failures=$((failures + 1))
  fi
  if ls "$build"/jobwarden_*.deb >/dev/null 2>&1; then
    echo "FAIL cpack without -G made a Debian package too"
    failures=$((failures + 1))
  fi
}

case "$kind" in
  zip) check_zip "$@" ;;
  tar.gz | tgz) kind=tar.gz; check_tgz ;;
  *) echo "usage: $0 zip|tgz BUILD [options]" >&2; exit 2 ;;
esac
echo "release archive: $failures problem(s)"
[ "$failures" -eq 0 ]

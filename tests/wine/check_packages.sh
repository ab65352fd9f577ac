#!/bin/bash
# check_packages.sh WIN64_BUILD WIN32_BUILD LINUX_BUILD: makes the release
# archives with cpack and checks what each holds: per Windows target a zip
# with both .exe files, README and licence; for Linux a .tar.gz with both
# programs and jobwarden-service under bin/, README and licence.
set -u
failures=0

archive_of() {
  (cd "$1" && cpack >/dev/null 2>&1) || { echo "FAIL cpack in $1"; return 1; }
  ls "$1"/Jobwarden-*."$2" 2>/dev/null | head -1
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
  local archive
  archive=$(archive_of "$1" zip) && [ -n "$archive" ] || { failures=$((failures + 1)); return; }
  local top
  top=$(basename "$archive" .zip)
  expect_members "$archive" "$(python3 -m zipfile -l "$archive" | awk 'NR>1 {print $1}')" \
    "$top/Jobwarden.exe" "$top/osreport.exe" "$top/README.md" "$top/LICENSE"
}

check_tgz() {
  local archive
  archive=$(archive_of "$1" tar.gz) && [ -n "$archive" ] || { failures=$((failures + 1)); return; }
  local top
  top=$(basename "$archive" .tar.gz)
  expect_members "$archive" "$(tar -tzf "$archive")" \
    "$top/bin/Jobwarden" "$top/bin/osreport" "$top/bin/jobwarden-service" "$top/README.md" "$top/LICENSE"
}

check_zip "$1"
check_zip "$2"
check_tgz "$3"
echo "release archives: $failures problem(s)"
[ "$failures" -eq 0 ]

#!/bin/bash
# check_deb.sh BUILD
# Makes the Debian package with `cpack -G DEB` in BUILD and checks it as
# Debian would: its files (the three programs in /usr/bin, stripped and
# runnable, a manual page for each, the copyright file with LICENSE's text,
# the changelog, the system service's /etc/cron.d/jobwarden, nothing else),
# their owner and modes, the control fields (a cron among the
# dependencies), the control files (the cron.d file listed as a conffile,
# the postrm as written in cmake/debian, runnable and parsed by sh), each
# manual page compressed with gzip -9n and rendered without a warning, and
# lintian without an error or a warning. Exits 77, after every other check,
# when lintian is not installed; at once when a tool cpack needs is missing.
set -u
here=$(cd "$(dirname "$0")" && pwd)
license="$here/../../LICENSE"
debian_source="$here/../../cmake/debian"
build="$1"
failures=0
programs="Jobwarden osreport jobwarden-service"

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

for tool in dpkg-deb dpkg-shlibdeps groff readelf; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed (scripts/install-packages.sh installs it): Debian package not checked"
    exit 77
  fi
done

make_package() {
  rm -f "$build"/jobwarden_*.deb
  if ! (cd "$build" && cpack -G DEB) >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    return 1
  fi
  ls "$build"/jobwarden_*.deb 2>/dev/null | head -1
}

# Every file with its mode and owner, as dpkg will install it.
check_members() {
  local expected found
  expected=$(
    for program in $programs; do echo "-rwxr-xr-x root/root ./usr/bin/$program"; done
    for program in $programs; do echo "-rw-r--r-- root/root ./usr/share/man/man1/$program.1.gz"; done
    echo "-rw-r--r-- root/root ./usr/share/doc/jobwarden/changelog.gz"
    echo "-rw-r--r-- root/root ./usr/share/doc/jobwarden/copyright"
    echo "-rw-r--r-- root/root ./usr/share/lintian/overrides/jobwarden"
    echo "-rw-r--r-- root/root ./etc/cron.d/jobwarden"
  )
  found=$(dpkg-deb -c "$package" | awk '$1 !~ /^d/ {print $1, $2, $6}')
  if ! diff <(LC_ALL=C sort <<<"$expected") <(LC_ALL=C sort <<<"$found"); then
    fail "$package: its files differ from those above (< expected, > found)"
  fi
  found=$(dpkg-deb -c "$package" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")')
  [ -z "$found" ] || fail "$package: folders not 0755 root:root: $found"
}

expect_field() {
  local field="$1" pattern="$2" value
  value=$(dpkg-deb -f "$package" "$field")
  grep -Eq -- "$pattern" <<<"$value" || fail "$package: $field is \"$value\", not $pattern"
}

check_control() {
  expect_field Package '^jobwarden$'
  expect_field Version '^[0-9]+\.[0-9]+\.[0-9]+$'
  expect_field Architecture "^$(dpkg --print-architecture)\$"
  expect_field Maintainer '^[^<>]+ <[^<>@ ]+@[^<>@ ]+\.[a-z]+>$'
  expect_field Section '^(admin|utils)$'
  expect_field Priority '^optional$'
  expect_field Depends '(^|, )cron \| cron-daemon(,|$)'
  expect_field Depends '(^|, )libc6 \(>= [0-9.]+\)(,|$)'
  # A synopsis of at most 80 characters and no full stop, then an extended
  # description.
  local description synopsis
  description=$(dpkg-deb -f "$package" Description)
  synopsis=$(head -1 <<<"$description")
  if [ ${#synopsis} -gt 80 ] || [[ "$synopsis" == *. ]] || [ "$(wc -l <<<"$description")" -lt 3 ]; then
    fail "$package: Description is not a synopsis and an extended description: $description"
  fi
}

check_programs() {
  local program
  for program in $programs; do
    if readelf -S "$root/usr/bin/$program" | grep -Eq '\.symtab|\.debug_'; then
      fail "$program is not stripped"
    fi
  done
  local output
  output=$("$root/usr/bin/osreport")
  [ "$output" = "Error 50 calling GetVersionEx()" ] || fail "osreport printed \"$output\""
  output=$("$root/usr/bin/Jobwarden" '/?' | head -2)
  [ "$output" = $'\n/create\tCreates a new scheduled task.' ] || fail "Jobwarden /? printed \"$output\""
}

# gzip -9n: no file name and no time stamp in the header (flags byte 3,
# time bytes 4 to 7), maximum compression (byte 8 is 2).
check_gzip_header() {
  local file="$1" header
  header=$(od -An -tx1 -N9 "$file" | tr -d ' \n')
  [ "${header:6:12}" = 000000000002 ] || fail "$file: not compressed with gzip -9n (header $header)"
}

check_manual_pages() {
  local program page warnings name_line
  for program in $programs; do
    page="$root/usr/share/man/man1/$program.1.gz"
    check_gzip_header "$page"
    warnings=$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$program.1: groff warns: $warnings"
    # The NAME line that apropos and lintian read: the command, then "\-".
    name_line=$(gzip -dc "$page" | sed -n '/^\.SH NAME/{n;p;q}')
    if [[ "$name_line" != "${program//-/\\-} \\- "?* ]]; then
      fail "$program.1: NAME is \"$name_line\", not \"${program//-/\\-} \\- description\""
    fi
  done
}

check_documents() {
  local doc="$root/usr/share/doc/jobwarden"
  check_gzip_header "$doc/changelog.gz"
  gzip -dc "$doc/changelog.gz" | head -1 |
    grep -q "^jobwarden ($(dpkg-deb -f "$package" Version)) " ||
    fail "changelog: its first entry is not for this version"
  head -1 "$doc/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright: not in the machine-readable format"
  if ! diff <(sed -n '/^Permission/,$p' "$license") \
    <(sed -n '/^ Permission/,$p' "$doc/copyright" | sed 's/^ //; s/^\.$//'); then
    fail "copyright: the licence text differs from LICENSE (< LICENSE, > copyright)"
  fi
  grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$license")" "$doc/copyright" ||
    fail "copyright: the holder differs from LICENSE's"
}

# The cron.d lines, silent once the program is gone; the conffile list; the
# maintainer script, mode 0755 as dpkg runs it, the others 0644.
check_system_service() {
  local line
  for line in '* * * * * root [ -x /usr/bin/jobwarden-service ] && /usr/bin/jobwarden-service run-due' \
    '@reboot root [ -x /usr/bin/jobwarden-service ] && /usr/bin/jobwarden-service system-start'; do
    grep -qxF -- "$line" "$root/etc/cron.d/jobwarden" || fail "etc/cron.d/jobwarden: no line \"$line\""
  done
  dpkg-deb -e "$package" "$control"
  [ "$(cat "$control/conffiles")" = /etc/cron.d/jobwarden ] ||
    fail "conffiles: \"$(cat "$control/conffiles")\", not /etc/cron.d/jobwarden"
  local modes
  modes=$(cd "$control" && stat -c '%A %n' -- * | LC_ALL=C sort -k2)
  [ "$modes" = "-rw-r--r-- conffiles
-rw-r--r-- control
-rw-r--r-- md5sums
-rwxr-xr-x postrm" ] || fail "control files and modes: $modes"
  cmp -s "$control/postrm" "$debian_source/postrm" || fail "postrm differs from cmake/debian/postrm"
  sh -n "$control/postrm" || fail "postrm: sh -n fails"
}

scratch=$(mktemp -d /tmp/jobwarden-deb.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
root="$scratch/root"
control="$scratch/control"
package=$(make_package) && [ -n "$package" ] || {
  echo "FAIL cpack -G DEB in $build made no package"
  exit 1
}
check_members
check_control
dpkg-deb -x "$package" "$root"
check_programs
check_manual_pages
check_documents
check_system_service

lintian_ran=no
if command -v lintian >/dev/null; then
  lintian_ran=yes
  if ! lintian --fail-on error,warning "$package" >"$scratch/lintian.log" 2>&1; then
    cat "$scratch/lintian.log"
    fail "lintian reports an error or a warning on $package"
  fi
fi
echo "Debian package: $failures problem(s)"
[ "$failures" -eq 0 ] || exit 1
if [ "$lintian_ran" = no ]; then
  echo "lintian is not installed (scripts/install-packages.sh installs it): package not linted"
  exit 77
fi

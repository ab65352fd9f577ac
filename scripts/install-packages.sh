#!/bin/sh
# Installs, from Debian's packages, what this machine lacks:
#   scripts/install-packages.sh          everything the build and every test
#                                        suite need, 32-bit Wine included
#   scripts/install-packages.sh native   only the native Linux build
#                                        (compiler, CMake, Ninja)
# Does nothing when everything is there. apt's own output goes to
# $JOBWARDEN_APT_LOG (default: /tmp/jobwarden-apt.log), shown only when
# apt fails.
set -eu

native="cmake ninja-build g++"
everything="$native python3 clang-format libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev valgrind busybox-static tzdata tcsh
  dpkg-dev lintian groff-base
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386"

case "${1:-all}" in
  native) packages="$native" ;;
  all) packages="$everything" ;;
  *) echo "usage: $0 [native]" >&2; exit 2 ;;
esac

log="${JOBWARDEN_APT_LOG:-/tmp/jobwarden-apt.log}"
sudo_prefix=""
if [ "$(id -u)" -ne 0 ]; then sudo_prefix="sudo"; fi

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=""
for package in $packages; do
  installed "$package" || missing="$missing $package"
done
[ -n "$missing" ] || exit 0

echo "Installing:$missing (apt's output in $log)"
# Debian's 32-bit Wine comes from the i386 architecture.
case "$missing" in
  *:i386*)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      $sudo_prefix dpkg --add-architecture i386
    fi ;;
esac
if ! { $sudo_prefix apt-get update -q &&
       DEBIAN_FRONTEND=noninteractive $sudo_prefix apt-get install -y -q $missing; } \
     >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "Installing$missing failed; apt's output is in $log" >&2
  exit 1
fi

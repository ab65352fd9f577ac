#!/bin/sh
# Installs, from Debian's packages, whatever the build and the test suites
# need and this machine lacks. Does nothing when everything is there.
set -eu

packages="cmake ninja-build g++ python3 libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev valgrind busybox-static tzdata
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

if [ -n "$missing" ]; then
  echo "Installing:$missing"
  sudo_prefix=""
  if [ "$(id -u)" -ne 0 ]; then sudo_prefix="sudo"; fi
  $sudo_prefix apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_prefix apt-get install -y -qq $missing
fi

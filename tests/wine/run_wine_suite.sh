#!/bin/bash
# The Windows build under Wine, end to end:
#   1. builds both Windows targets (the x86_64 build runs here; the i686
#      product is built and linked only, as this machine cannot run 32-bit
#      programs) and a Linux build for the interoperability checks, each in
#      a build folder of its own;
#   2. makes a throw-away Wine prefix and brings up its Task Scheduler;
#   3. runs the checks below against it, and removes the prefix again.
# The build folders can be named in WINE_SUITE_WIN64_BUILD, WINE_SUITE_WIN32_BUILD
# and WINE_SUITE_LINUX_BUILD, to reuse builds made before.
# Exits nonzero when any check fails. Bounded: each check has a timeout.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
source tests/wine/wine_prefix.sh

readonly WIN64_BUILD=${WINE_SUITE_WIN64_BUILD:-build/win-x64}
readonly WIN32_BUILD=${WINE_SUITE_WIN32_BUILD:-build/win-i686}
readonly LINUX_BUILD=${WINE_SUITE_LINUX_BUILD:-build/wine-linux}
readonly CHECK_SECONDS=240

stage() { printf '\n== %s\n' "$*"; }

# A folder configured before (the test command's preset builds) keeps its
# own configuration and is only brought up to date.
configure_and_build() {
  local folder="$1"; shift
  if [ ! -f "$folder/CMakeCache.txt" ]; then
    cmake -S . -B "$folder" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release "$@" \
      >/dev/null || return 1
  fi
  cmake --build "$folder" -j2 >/dev/null
}

build_all() {
  stage "Building x86_64 and i686 Windows, and Linux"
  configure_and_build "$WIN64_BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake &&
    configure_and_build "$WIN32_BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake &&
    configure_and_build "$LINUX_BUILD" -DJOBWARDEN_TESTS=OFF
}

failed=()
check() {
  local name="$1"; shift
  stage "$name"
  if ! timeout "$CHECK_SECONDS" "$@"; then
    failed+=("$name")
  fi
}

teardown() {
  [ -n "${WINEPREFIX:-}" ] && wine_prefix_down
  [ -n "${scratch:-}" ] && rm -rf "$scratch"
}

main() {
  build_all || { echo "build failed" >&2; exit 1; }
  wine_install_if_missing || { echo "cannot install Wine" >&2; exit 1; }
  wine_environment
  scratch=$(mktemp -d /tmp/jobwarden-wine.XXXXXX)
  export WINEPREFIX="$scratch/prefix"
  trap teardown EXIT

  stage "Bringing up a Wine prefix and its Task Scheduler"
  wine_prefix_up "$WIN64_BUILD/tests/wine/scheduler_probe.exe" || exit 1

  local jobwarden="$WIN64_BUILD/jobwarden/cli/Jobwarden.exe"
  local osreport="$WIN64_BUILD/osreport/osreport.exe"
  local tasks
  tasks=$(wine_tasks_dir)

  check "Self-contained executables, i686" python3 tests/wine/check_executables.py \
    --machine pei-i386 "$WIN32_BUILD/jobwarden/cli/Jobwarden.exe" "$WIN32_BUILD/osreport/osreport.exe"
  check "Self-contained executables, x86_64" python3 tests/wine/check_executables.py \
    --machine pei-x86-64 "$jobwarden" "$osreport"
  check "Console text" python3 tests/wine/check_console_text.py \
    --probe "$WIN64_BUILD/tests/wine/console_text_probe.exe"
  check "Command-line cases under Wine" python3 tests/cli/run_cli_cases.py \
    --cases tests/cli/*_cases.json --exe "$jobwarden" \
    --launcher wine64 --host wine --wine-tasks-dir "$tasks"
  check "osreport under Wine" python3 tests/wine/run_osreport_cases.py \
    --cases tests/wine/osreport_cases.json --exe "$osreport"
  check "Interoperability with the Linux build" python3 tests/wine/check_interop.py \
    --linux-exe "$LINUX_BUILD/jobwarden/cli/Jobwarden" --windows-exe "$jobwarden" \
    --wine-tasks-dir "$tasks"
  check "Release archives" tests/wine/check_packages.sh \
    "$WIN64_BUILD" "$WIN32_BUILD" "$LINUX_BUILD"

  if [ ${#failed[@]} -gt 0 ]; then
    stage "FAILED: ${failed[*]}"
    exit 1
  fi
  stage "Wine suite passed"
}

main "$@"

#!/bin/bash
# Brings a throw-away Wine prefix up, with its Task Scheduler running, and
# tears it down again. Run as
#   wine_prefix.sh up PROBE_EXE     (the Wine suite's fixture set-up)
#   wine_prefix.sh down             (its clean-up)
# with WINEPREFIX naming the prefix and JOBWARDEN_WINE the loader:
# /usr/lib/wine/wine for a 32-bit prefix (the i686 build), /usr/lib/wine/wine64
# for a 64-bit one (the x86_64 build). Sourced, it provides the same as
# functions (bench/wine_figures.sh).
#
# What Wine 8.0 (Debian's wine, wine64 and wine32:i386) needs, as found on
# this project's machines:
# - Debian installs the loaders as /usr/lib/wine/wine (32-bit, from
#   wine32:i386) and /usr/lib/wine/wine64, outside PATH; /usr/bin/wine is a
#   wrapper that picks one. A prefix made by the 32-bit loader with
#   WINEARCH=win32 is a 32-bit prefix, where the i686 programs run with
#   Wine's 32-bit DLLs; the 64-bit loader makes a 64-bit one.
# - CoCreateInstance(CLSID_CTaskScheduler) fails with 0x80041315
#   (SCHED_E_SERVICE_NOT_RUNNING) until the "Schedule" service runs: Wine's
#   mstask.dll is a thin layer over the Task Scheduler 2.0 service client,
#   and nothing starts that service on its own. "net start schedule" does.
# - Services live only as long as the prefix's wine server. A persistent
#   server ("wineserver -p") keeps the started service, and makes each
#   program start in a fraction of a second instead of several seconds.
# - Right after wineboot has made the prefix, starting the service fails
#   ("Service database locked") or hangs; killing the server that wineboot
#   left behind and starting a new, persistent one cures it.
# - Tasks are stored as "<name>.job" in C:\windows\Tasks, which is the
#   folder drive_c/windows/tasks of the prefix.

readonly WINE_BRINGUP_SECONDS=120

wine_environment() {
  export JOBWARDEN_WINE="${JOBWARDEN_WINE:-/usr/lib/wine/wine64}"
  export PATH="/usr/lib/wine:$PATH"
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialog while the prefix is made.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$(basename "$JOBWARDEN_WINE")" = wine64 ]; then
    export WINEARCH=win64
  else
    export WINEARCH=win32
  fi
}

# wine_prefix_up PROBE_EXE: makes a fresh prefix in WINEPREFIX and returns
# once PROBE_EXE can create the Task Scheduler there, or fails after the
# bound.
wine_prefix_up() {
  local probe="$1" deadline=$((SECONDS + WINE_BRINGUP_SECONDS))
  wine_prefix_down
  # A first boot that hangs (it has been seen to wait on a service that
  # never answers) is cut off and tried once more in a clean prefix.
  if ! timeout 180 "$JOBWARDEN_WINE" wineboot -i >/dev/null 2>&1; then
    wine_prefix_down
    timeout 180 "$JOBWARDEN_WINE" wineboot -i >/dev/null 2>&1 || return 1
  fi
  wineserver -k 2>/dev/null
  wineserver -w
  wineserver -p
  until wine_scheduler_running "$probe"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "The Task Scheduler did not come up within ${WINE_BRINGUP_SECONDS}s" >&2
      return 1
    fi
    timeout 30 "$JOBWARDEN_WINE" net start schedule >/dev/null 2>&1
    sleep 1
  done
}

wine_scheduler_running() {
  timeout 30 "$JOBWARDEN_WINE" "$1" >/dev/null 2>&1
}

wine_tasks_dir() {
  echo "$WINEPREFIX/drive_c/windows/tasks"
}

wine_prefix_down() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
  fi
  rm -rf "$WINEPREFIX"
}

# Run as a program: the fixture steps. Everything Wine starts (the server,
# its services) outlives this script; their output goes to a log in the
# prefix's parent folder, never to the caller's pipes, which would then stay
# open after the script has ended.
wine_prefix_main() {
  set -u
  : "${WINEPREFIX:?WINEPREFIX must name the prefix}"
  wine_environment
  local log="$WINEPREFIX.log" status=0
  case "${1:-}" in
    up) wine_prefix_up "$2" </dev/null >"$log" 2>&1 || status=1 ;;
    down) wine_prefix_down </dev/null >"$log" 2>&1 || status=1 ;;
    *) echo "usage: $0 up PROBE_EXE | down" >&2; return 2 ;;
  esac
  if [ "$status" -ne 0 ]; then
    cat "$log"
    echo "wine_prefix.sh $1 failed (prefix $WINEPREFIX, loader $JOBWARDEN_WINE)"
  fi
  return "$status"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  wine_prefix_main "$@"
  exit $?
fi

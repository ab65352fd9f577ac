# Functions to bring up and tear down the throw-away Wine prefix of the Wine
# suite; sourced by run_wine_suite.sh.
#
# What Wine 8.0 (Debian's wine + wine64) needs, as found on this project's
# machines:
# - Debian installs the 64-bit loader as /usr/lib/wine/wine64, outside PATH;
#   /usr/bin/wine is a wrapper that falls back to it. We put the folder on
#   PATH so that "wine64" is the launcher, as on other distributions.
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
# - 64-bit Wine here has no 32-bit part (no wine32), so only the x86_64
#   build can run; the i686 build is only built and linked.

readonly WINE_BRINGUP_SECONDS=120

wine_environment() {
  export PATH="/usr/lib/wine:$PATH"
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialog while the prefix is made.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
}

wine_install_if_missing() {
  if [ -x /usr/lib/wine/wine64 ] && command -v wineserver >/dev/null; then
    return 0
  fi
  echo "Installing Wine..."
  DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q wine wine64 >/dev/null
}

# wine_prefix_up PROBE_EXE: makes a fresh prefix in WINEPREFIX and returns
# once PROBE_EXE can create the Task Scheduler there, or fails after the
# bound.
wine_prefix_up() {
  local probe="$1" deadline=$((SECONDS + WINE_BRINGUP_SECONDS))
  # A first boot that hangs (it has been seen to wait on a service that
  # never answers) is cut off and tried once more in a clean prefix.
  if ! timeout 180 wineboot -i >/dev/null 2>&1; then
    wineserver -k 2>/dev/null
    rm -rf "$WINEPREFIX"
    timeout 180 wineboot -i >/dev/null 2>&1 || return 1
  fi
  wineserver -k 2>/dev/null
  wineserver -w
  wineserver -p
  until wine_scheduler_running "$probe"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "The Task Scheduler did not come up within ${WINE_BRINGUP_SECONDS}s" >&2
      return 1
    fi
    timeout 30 wine64 net start schedule >/dev/null 2>&1
    sleep 1
  done
}

wine_scheduler_running() {
  timeout 30 wine64 "$1" >/dev/null 2>&1
}

wine_tasks_dir() {
  echo "$WINEPREFIX/drive_c/windows/tasks"
}

wine_prefix_down() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$WINEPREFIX"
}

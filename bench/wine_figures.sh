# The same figures for the Windows build (x86_64) under Wine, each beside
# the Windows build of the same floor, in a throw-away prefix that
# tests/wine/wine_prefix.sh brings up with its Task Scheduler running.
# Sourced by run_benchmarks.sh; measure_wine fails with WINE_PROBLEM set
# when Wine cannot be measured here.

WINE_BUILD="$ROOT/build/bench-mingw-x86_64"
WINE_TOOLS="$ROOT/build/bench-tools-mingw-x86_64"
WINE_PROBLEM=""

build_windows() {
  local toolchain="$ROOT/cmake/mingw-x86_64.cmake"
  cmake -S "$ROOT" -B "$WINE_BUILD" -G Ninja --toolchain "$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$WINE_BUILD" -j2 --target Jobwarden scheduler_probe >/dev/null &&
    cmake -S "$BENCH_DIR" -B "$WINE_TOOLS" -G Ninja --toolchain "$toolchain" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$WINE_TOOLS" -j2 >/dev/null
}

# Wine's own store in the prefix, and a copy of a task the Windows build
# stored there, so that the filled folders hold what Wine itself writes.
wine_template() {
  local exe="$1" tasks="$2"
  wine64 "$exe" /create /tn Template "${TASK_SETTINGS[@]}" >/dev/null 2>&1 || return 1
  cp "$tasks/Template.job" "$WORK/wine-template.job" || return 1
  rm -f "$tasks"/*.job
  echo "$WORK/wine-template.job"
}

# The folder grows from one size to the next: the filler's names repeat.
measure_wine_stores() {
  local exe="$1" tasks="$2" template="$3" count
  for count in "${STORE_SIZES[@]}"; do
    fill_store "$template" "$tasks" "$count"
    measure "$WINE_RUNS" "wine.floor.$count" "wine.query.$count" -- \
      wine64 "$WINE_TOOLS/read_floor.exe" 'C:\windows\tasks' --next wine64 "$exe" /query
    if [ "$count" = 0 ] || [ "$count" = "$LARGEST_STORE" ]; then
      measure "$WINE_RUNS" "wine.create.$count" "wine.delete.$count" -- \
        wine64 "$exe" "${CREATE_ARGS[@]}" --next wine64 "$exe" "${DELETE_ARGS[@]}"
    fi
  done
}

measure_wine_in_prefix() {
  local exe="$WINE_BUILD/jobwarden/cli/Jobwarden.exe" tasks template
  tasks="$(wine_tasks_dir)"
  measure "$WINE_RUNS" wine.empty wine.help wine.bogus -- \
    wine64 "$WINE_TOOLS/empty_process.exe" --next wine64 "$exe" '/?' --next wine64 "$exe" /bogus
  if ! template="$(wine_template "$exe" "$tasks")"; then
    WINE_PROBLEM="the Windows build could not store a task under Wine"
    return 1
  fi
  measure_wine_stores "$exe" "$tasks" "$template"
}

measure_wine() {
  local helper="$ROOT/tests/wine/wine_prefix.sh" status=0
  if [ ! -f "$helper" ] || ! command -v wine >/dev/null; then
    WINE_PROBLEM="no Wine, or no tests/wine/wine_prefix.sh to bring a prefix up"
    return 1
  fi
  source "$helper"
  wine_environment
  if ! build_windows; then
    WINE_PROBLEM="the Windows build (mingw-x86_64) failed"
    return 1
  fi
  export WINEPREFIX="$WORK/wine-prefix"
  if ! wine_prefix_up "$WINE_BUILD/tests/wine/scheduler_probe.exe"; then
    WINE_PROBLEM="the prefix's Task Scheduler did not start"
    wine_prefix_down || true
    return 1
  fi
  measure_wine_in_prefix || status=1
  wine_prefix_down || true
  return "$status"
}

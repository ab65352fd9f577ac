#!/usr/bin/env bash
# Measures Jobwarden against its floors in one run on this machine and
# prints the table of ratios (Markdown) that bench/RESULTS.md records.
#
#   bench/run_benchmarks.sh
#
# Builds its own release folders (build/bench-*), so it never disturbs a
# developer's build. Settings, from the environment:
#   BENCH_RUNS       timed runs per native figure, median taken (15)
#   BENCH_WINE_RUNS  timed runs per figure under Wine (7)
#   BENCH_WINE       "0" leaves the Windows build under Wine out
#   BENCH_WORK       scratch folder for the task folders (a new one in /tmp)
#   BENCH_OUT        where the table is written too (BENCH_WORK/results.md)
# Not part of the tests: timings belong here, never in a test that passes
# or fails.
set -euo pipefail

BENCH_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(dirname "$BENCH_DIR")"
RUNS="${BENCH_RUNS:-15}"
WINE_RUNS="${BENCH_WINE_RUNS:-7}"
WORK="${BENCH_WORK:-$(mktemp -d /tmp/jobwarden-bench.XXXXXX)}"
OUT="${BENCH_OUT:-$WORK/results.md}"
FIGURES="$WORK/figures"
STORE_SIZES=(0 100 1000 10000)
LARGEST_STORE=10000

NATIVE_BUILD="$ROOT/build/bench-release"
NATIVE_TOOLS="$ROOT/build/bench-tools"
JOBWARDEN="$NATIVE_BUILD/jobwarden/cli/Jobwarden"

# The task that /create and /delete add and take away again; the template
# that the task folders are filled with is stored with the same settings.
BENCH_TASK="Bench task"
TASK_SETTINGS=(/tr 'C:\Tools\backup.exe --all' /ru system /sc daily)
CREATE_ARGS=(/create /tn "$BENCH_TASK" "${TASK_SETTINGS[@]}")
DELETE_ARGS=(/delete /tn "$BENCH_TASK")

source "$BENCH_DIR/measure.sh"
source "$BENCH_DIR/results_table.sh"
source "$BENCH_DIR/wine_figures.sh"

build_native() {
  cmake -S "$ROOT" -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DJOBWARDEN_TESTS=OFF >/dev/null
  cmake --build "$NATIVE_BUILD" -j2 --target Jobwarden >/dev/null
  cmake -S "$BENCH_DIR" -B "$NATIVE_TOOLS" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$NATIVE_TOOLS" -j2 >/dev/null
}

# A task folder of `count` copies of the task that the real program stored
# in `template_folder`.
fill_store() {
  local template="$1" folder="$2" count="$3"
  mkdir -p "$folder"
  "$NATIVE_TOOLS/job_folder_fill" "$template" "$folder" "$count"
}

native_template() {
  local folder="$WORK/template"
  mkdir -p "$folder"
  JOBWARDEN_TASKS_DIR="$folder" "$JOBWARDEN" /create /tn Template "${TASK_SETTINGS[@]}"
  echo "$folder/Template.job"
}

measure_native_startup() {
  measure "$RUNS" native.empty native.help native.bogus -- \
    "$NATIVE_TOOLS/empty_process" --next "$JOBWARDEN" '/?' --next "$JOBWARDEN" /bogus
}

measure_native_query() {
  local template="$1" count folder
  for count in "${STORE_SIZES[@]}"; do
    folder="$WORK/store-$count"
    fill_store "$template" "$folder" "$count"
    JOBWARDEN_TASKS_DIR="$folder" measure "$RUNS" "native.floor.$count" "native.query.$count" -- \
      "$NATIVE_TOOLS/read_floor" "$folder" --next "$JOBWARDEN" /query
  done
}

measure_native_create_delete() {
  local count folder
  for count in 0 "$LARGEST_STORE"; do
    folder="$WORK/store-$count"
    JOBWARDEN_TASKS_DIR="$folder" BENCH_ROUND_TOTAL=1 \
      measure "$RUNS" "native.create.$count" "native.delete.$count" "native.pair.$count" -- \
      "$JOBWARDEN" "${CREATE_ARGS[@]}" --next "$JOBWARDEN" "${DELETE_ARGS[@]}"
  done
}

main() {
  mkdir -p "$WORK"
  : >"$FIGURES"
  echo "Building release binaries..." >&2
  build_native
  echo "Measuring the native build in $WORK..." >&2
  measure_native_startup
  measure_native_query "$(native_template)"
  measure_native_create_delete
  if [ "${BENCH_WINE:-1}" != 0 ]; then
    echo "Measuring the Windows build under Wine..." >&2
    measure_wine || echo "Wine figures incomplete: $WINE_PROBLEM" >&2
  fi
  results_table | tee "$OUT"
  echo "Table written to $OUT" >&2
}

main "$@"

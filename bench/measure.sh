# measure RUNS KEY... -- COMMAND [ARG...] [--next COMMAND [ARG...]]...
#
# Times the commands with bench_run, in turn, and appends one line per
# command to $FIGURES: "<key> <median ns> <peak KiB> <exit status> <runs>".
# Sourced by run_benchmarks.sh, which sets NATIVE_TOOLS and FIGURES.
#
# One round is timed first. A figure that takes longer than
# BENCH_SLOW_SECONDS (5) even once is recorded from that round alone, and
# one that does not end within BENCH_LIMIT_SECONDS (180) is recorded as
# missing, so that a store size where the cost explodes still leaves a
# bounded run with that fact in its table.

measure() {
  local runs="$1" keys=() out used="$1"
  shift
  while [ "$1" != "--" ]; do
    keys+=("$1")
    shift
  done
  shift
  if ! out="$(timeout "${BENCH_LIMIT_SECONDS:-180}" "$NATIVE_TOOLS/bench_run" 1 "$@")"; then
    record_missing "${keys[@]}"
    return 0
  fi
  if slowest_within "$out" "${BENCH_SLOW_SECONDS:-5}"; then
    out="$("$NATIVE_TOOLS/bench_run" "$runs" "$@")"
  else
    used=1
  fi
  paste -d' ' <(printf '%s\n' "${keys[@]}") <(printf '%s\n' "$out") |
    sed "s/\$/ $used/" >>"$FIGURES"
}

# Whether every median in bench_run's output is within `seconds`.
slowest_within() {
  printf '%s\n' "$1" | awk -v limit="$2" '$1 > limit * 1e9 { slow = 1 } END { exit slow }'
}

record_missing() {
  local key
  for key in "$@"; do
    echo "$key - - timeout 0" >>"$FIGURES"
  done
}

#!/bin/sh
# Builds the libFuzzer targets with clang, ASan and UBSan, replays every
# input that ever failed (fuzz/regressions/<target>/), then fuzzes each
# target for a bounded time from freshly generated seeds.
#
#   fuzz/run_fuzzers.sh [seconds per target]     (default 30)
#
# A crash, a sanitizer report, a leak or a hang (-timeout) fails the run;
# the input that caused it is copied into fuzz/regressions/<target>/ so that
# it is replayed from then on: commit it together with the fix.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=${JOBWARDEN_FUZZ_BUILD:-$root/build/fuzz}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DJOBWARDEN_FUZZ=ON -DJOBWARDEN_SANITIZE=ON \
  -DJOBWARDEN_TESTS=OFF -DJOBWARDEN_WERROR=ON >/dev/null
cmake --build "$build" -j2 --target entry_fuzzer job_file_fuzzer seed_corpus

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
mkdir -p "$work/entry" "$work/job_file"
"$build/fuzz/seed_corpus" "$work/entry" "$work/job_file"

failed=0
for target in entry job_file; do
  fuzzer="$build/fuzz/${target}_fuzzer"
  regressions="$root/fuzz/regressions/$target"
  options="-timeout=10 -rss_limit_mb=2048"
  if [ -f "$root/fuzz/${target}_fuzzer.dict" ]; then
    options="$options -dict=$root/fuzz/${target}_fuzzer.dict"
  fi

  # Hidden files (.gitkeep) are not inputs.
  inputs=$(find "$regressions" -type f ! -name '.*' | sort)
  if [ -n "$inputs" ]; then
    echo "$target: replaying $(echo "$inputs" | wc -l) regression inputs"
    # shellcheck disable=SC2086  # one word per input; names hold no blanks
    if ! "$fuzzer" $options $inputs >"$work/$target-replay.log" 2>&1; then
      tail -n 40 "$work/$target-replay.log"
      echo "$target: a regression input fails again"
      failed=1
      continue
    fi
  fi

  echo "$target: fuzzing for $seconds s"
  mkdir -p "$work/artifacts-$target"
  # shellcheck disable=SC2086
  if ! "$fuzzer" $options -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$work/artifacts-$target/" "$work/$target" \
      >"$work/$target.log" 2>&1; then
    tail -n 40 "$work/$target.log"
    mkdir -p "$regressions"
    for artifact in "$work/artifacts-$target"/*; do
      [ -f "$artifact" ] || continue
      cp "$artifact" "$regressions/"
      echo "$target: kept $regressions/$(basename "$artifact")"
    done
    failed=1
    continue
  fi
  grep -E '^stat::number_of_executed_units' "$work/$target.log" | sed "s/^/$target: /"
done
exit $failed

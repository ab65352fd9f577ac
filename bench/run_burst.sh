#!/usr/bin/env bash
# A thousand tasks due in one minute, run by jobwarden-service run-due as
# cron starts it, at the real minute's start:
#
#   bench/run_burst.sh
#
# Prints, for the burst: how long after the minute the last task started,
# how many started, were recorded and were left "running", run-due's exit
# status and total time, and the slowest of the Jobwarden /create runs made
# in the same folder during the burst. Settings, from the environment:
#   BURST_TASKS   tasks due at once (1000)
#   BENCH_WORK    scratch folder (a new one in /tmp)
# Waits for up to two minute boundaries. Not part of the tests.
set -euo pipefail

BENCH_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(dirname "$BENCH_DIR")"
TASKS="${BURST_TASKS:-1000}"
WORK="${BENCH_WORK:-$(mktemp -d /tmp/jobwarden-burst.XXXXXX)}"
NATIVE_BUILD="$ROOT/build/bench-release"
NATIVE_TOOLS="$ROOT/build/bench-tools"
JOBWARDEN="$NATIVE_BUILD/jobwarden/cli/Jobwarden"
SERVICE="$NATIVE_BUILD/service/jobwarden-service"

cmake -S "$ROOT" -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOBWARDEN_TESTS=OFF >/dev/null
cmake --build "$NATIVE_BUILD" -j2 --target Jobwarden jobwarden-service >/dev/null
cmake -S "$BENCH_DIR" -B "$NATIVE_TOOLS" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$NATIVE_TOOLS" -j2 >/dev/null

export JOBWARDEN_TASKS_DIR="$WORK/tasks" XDG_STATE_HOME="$WORK/state"
STAMPS="$WORK/starts"
mkdir -p "$WORK/template" "$JOBWARDEN_TASKS_DIR"
: >"$STAMPS"

now_ns() { date +%s%N; }

# A daily task stored now is due in the next minute: leave time to fill
# the folder before it begins.
if [ "$(date +%-S)" -ge 40 ]; then sleep $((62 - $(date +%-S))); fi
JOBWARDEN_TASKS_DIR="$WORK/template" "$JOBWARDEN" /create /tn Burst \
  /tr "\"$NATIVE_TOOLS/start_stamp\" $STAMPS" /ru system /sc daily
"$NATIVE_TOOLS/job_folder_fill" "$WORK/template/Burst.job" "$JOBWARDEN_TASKS_DIR" "$TASKS"
minute_s=$(( $(date +%s) / 60 * 60 + 60 ))
minute_ns=$(( minute_s * 1000000000 ))
while [ "$(now_ns)" -lt "$minute_ns" ]; do sleep 0.01; done

( status=0
  "$SERVICE" run-due >"$WORK/run-due.log" 2>&1 || status=$?
  echo "$status $(now_ns)" >"$WORK/run-due.end" ) &
run_due=$!
slowest_create=0
for round in 1 2 3; do
  sleep 0.2
  before=$(now_ns)
  "$JOBWARDEN" /create /tn "Probe $round" /tr '"/bin/true"' /ru system /sc daily >/dev/null
  took=$(( ($(now_ns) - before) / 1000000 ))
  [ "$took" -gt "$slowest_create" ] && slowest_create=$took
done
wait "$run_due"
read -r status ended_ns <"$WORK/run-due.end"
total_ms=$(( (ended_ns - minute_ns) / 1000000 ))

started=$(wc -l <"$STAMPS")
last_ms=$(( ($(sort -n "$STAMPS" | tail -1) - minute_ns) / 1000000 ))
report=$("$SERVICE" status 2>/dev/null || true)
# A task's line of status: name, as whom, next run, last run in words, and
# where its output is, separated by tabs.
recorded=$(awk -F '\t' '$1 ~ /^task-/ && $4 ~ /^last run .*, exit code 0$/' <<<"$report" | wc -l)
running=$(grep -c "running since" <<<"$report" || true)
echo "tasks due at once:            $TASKS"
echo "started:                      $started"
echo "last start after the minute:  ${last_ms} ms"
echo "recorded (exit code 0):       $recorded"
echo "left \"running\":               $running"
echo "run-due exit status:          $status"
echo "run-due done after the minute: ${total_ms} ms"
echo "slowest /create meanwhile:    ${slowest_create} ms"
echo "(scratch folder: $WORK)" >&2

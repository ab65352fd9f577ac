#!/bin/sh
# Runs a create, query and delete session, and the refusals in between,
# under valgrind's memcheck: any invalid access, use of uninitialised
# memory or definite or indirect leak fails it.
#
#   tests/memory/memcheck_session.sh <Jobwarden executable>
set -eu
exe=$1
suppressions=$(cd "$(dirname "$0")" && pwd)/glibc.supp
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
JOBWARDEN_TASKS_DIR=$scratch/tasks
export JOBWARDEN_TASKS_DIR

check() {
  expected_status=$1
  shift
  status=0
  valgrind --quiet --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --track-origins=yes \
    --suppressions="$suppressions" \
    "$exe" "$@" >"$scratch/out" 2>"$scratch/valgrind" || status=$?
  if [ "$status" -ne "$expected_status" ]; then
    echo "FAIL Jobwarden $*: status $status, expected $expected_status"
    cat "$scratch/valgrind"
    exit 1
  fi
  echo "ok   Jobwarden $*"
}

check 0 /create /tn Nightly /sc daily /ru Operator /rp pw-in-memory /tr "backup.exe --all"
check 0 /create /tn Hourly /sc HOURLY /ru system /tr '"C:\Program Files\x.exe" /s'
check 1 /create /tn Nightly /sc weekly
check 1 /create /tn "a/b" /sc monthly
check 1 /create /tn Other /sc yearly
check 0 /query
check 0 /delete /tn nightly.job
check 1 /delete /tn Nightly
check 1 /query /ru Operator
check 1 /?
check 0 /delete /tn Hourly
check 0 /query

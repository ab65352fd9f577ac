#!/bin/sh
# Fails when a shipped program holds a symbol of the test side: the
# recording COM runtime, its call log and planned failures, the settable
# clock, the test fixtures, or the builders and doubles of the test support
# (argument vectors, triggers, scratch folders, the service's stand-ins).
# They belong to the test binaries alone.
# Usage: check_no_test_symbols.sh NM PROGRAM...
set -u
nm_tool=$1
shift
pattern='test_hooks|call_tracking|Recording|Recorded|CallLog|FailCall|FixedLocalTime|OutstandingReferences|OutstandingAllocations|TestTaskFolder|SchedulerFixture|ArgumentVector|TestArguments|TemporaryFolder|test_triggers::|service_test::|testing::'
status=0
for program in "$@"; do
  symbols=$("$nm_tool" -C "$program") || { echo "cannot read the symbols of $program"; exit 1; }
  found=$(printf '%s\n' "$symbols" | grep -E "$pattern")
  if [ -n "$found" ]; then
    echo "$program holds test symbols:"
    printf '%s\n' "$found"
    status=1
  fi
done
exit $status

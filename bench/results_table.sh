# Turns $FIGURES (written by measure) into the Markdown table that
# bench/RESULTS.md records: each figure, its floor, the ratio and, where
# there is one, the target it must meet; then the same for the Windows
# build under Wine. Sourced by run_benchmarks.sh.

# label | figure | floor figure | floor label | target ratio | exit status
RESULT_ROWS='Help listing (`/?`)|help|empty|empty process|2|1
Syntax error (`/bogus`)|bogus|empty|empty process|2|1
`/query`, 0 tasks|query.0|floor.0|read floor|3|0
`/query`, 100 tasks|query.100|floor.100|read floor|3|0
`/query`, 1,000 tasks|query.1000|floor.1000|read floor|3|0
`/query`, 10,000 tasks|query.10000|floor.10000|read floor|2|0
`/create`, 0 tasks|create.0|empty|empty process||0
`/create`, 10,000 tasks|create.10000|create.0|`/create`, 0 tasks|2|0
`/delete`, 0 tasks|delete.0|empty|empty process||0
`/delete`, 10,000 tasks|delete.10000|delete.0|`/delete`, 0 tasks|2|0
`/create` + `/delete`, 0 tasks|pair.0|empty|empty process||0
`/create` + `/delete`, 10,000 tasks|pair.10000|pair.0|the pair at 0 tasks|2|0'

machine_description() {
  local cpu cores memory filesystem
  cpu="$(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -1)"
  cores="$(nproc)"
  memory="$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
  filesystem="$(df -T "$WORK" | awk 'NR == 2 { print $2 }')"
  echo "${cpu:-unknown CPU}, $cores cores, $memory RAM; $(uname -sr);" \
    "task folders on $filesystem; $(c++ --version | head -1);" \
    "$(wine --version 2>/dev/null || echo 'no Wine')"
}

results_table() {
  echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on: $(machine_description)."
  echo
  echo "Each time is the median of $RUNS runs (Windows build under Wine: $WINE_RUNS)" \
    "from start to exit, output to /dev/null, after one untimed round."
  echo "Ratio is Jobwarden's time over the floor's, measured in the same run."
  echo
  awk -v rows="$RESULT_ROWS" -f "$BENCH_DIR/results_table.awk" "$FIGURES"
}

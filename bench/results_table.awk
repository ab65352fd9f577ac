# Reads the figures ("<key> <median ns> <peak KiB> <exit status> <runs>")
# and prints the Markdown tables that results_table.sh describes. The rows
# come in `rows`, one "label|figure|floor|floor label|target|status" a line.

{
  time[$1] = $2
  peak[$1] = $3
  status[$1] = $4
  runs[$1] = $5
}

function known(key) { return (key in time) && time[key] != "-" }

function duration(key) {
  if (!(key in time)) return "not measured"
  if (time[key] == "-") return "over the time limit"
  ms = time[key] / 1e6
  text = ms >= 100 ? sprintf("%.0f ms", ms) : ms >= 10 ? sprintf("%.1f ms", ms) : sprintf("%.2f ms", ms)
  if (runs[key] == 1) text = text " (1 run)"
  return text
}

# The exit status is shown only when it is not the one the command should
# end with: a figure for a failing command measures the wrong thing.
function checked(key, expected, text) {
  if (known(key) && status[key] != expected) text = text " **exit " status[key] "**"
  return text
}

function ratio(key, floor) {
  if (!known(key) || !known(floor) || time[floor] == 0) return "n/a"
  return sprintf("%.2f", time[key] / time[floor])
}

function verdict(key, floor, target) {
  if (target == "") return "—"
  if (!known(key) || !known(floor)) return "**not measured**"
  return time[key] / time[floor] <= target ? "yes" : "**no**"
}

function mebibytes(key) { return known(key) ? sprintf("%.1f MiB", peak[key] / 1024) : "n/a" }

function time_row(row,   field, figure, floor, target, expected) {
  split(row, field, "|")
  figure = field[2]; floor = field[3]; target = field[5]; expected = field[6]
  printf "| %s | %s | %s: %s | %s | %s | %s | %s | %s |\n", field[1],
         checked("native." figure, expected, duration("native." figure)),
         field[4], duration("native." floor), ratio("native." figure, "native." floor),
         target == "" ? "—" : "≤ " target "×", verdict("native." figure, "native." floor, target),
         checked("wine." figure, expected, duration("wine." figure)),
         ratio("wine." figure, "wine." floor)
}

function peak_ratio(key, floor) {
  if (!known(key) || !known(floor) || peak[floor] == 0) return "n/a"
  return sprintf("%.2f", peak[key] / peak[floor])
}

function peak_verdict(key, limit_kib) {
  if (!known(key)) return "**not measured**"
  return peak[key] < limit_kib ? "yes" : "**no**"
}

function memory_row(   figure, floor) {
  figure = "native.query.10000"; floor = "native.floor.10000"
  printf "| Peak memory, `/query` of 10,000 tasks | %s | read floor: %s | %s | < 16 MiB | %s | %s | %s |\n",
         mebibytes(figure), mebibytes(floor), peak_ratio(figure, floor),
         peak_verdict(figure, 16 * 1024), mebibytes("wine.query.10000"),
         peak_ratio("wine.query.10000", "wine.floor.10000")
}

END {
  print "| Figure | Jobwarden | Floor | Ratio | Target | Met | Windows build under Wine | Wine ratio to the same floor |"
  print "|---|---|---|---|---|---|---|---|"
  count = split(rows, row_list, "\n")
  for (i = 1; i <= count; ++i) time_row(row_list[i])
  memory_row()
}

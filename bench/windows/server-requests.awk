# SPDX-License-Identifier: MIT
# Counts the display server's requests per step from Wine's server trace
# (WINEDEBUG=+server), between the benchmark's markers: a lookup of the atom
# "vexo-trace-begin KIND" opens a step, "vexo-trace-end KIND" closes it. Only
# the marking thread's requests count; the markers' own two are left out.
# Prints, per kind, the requests per step (min / mean / max) and each
# request's mean count per step, most frequent first.

# "0024: name( ...": a request (a reply reads "0024: name() = ...").
function request(line) {
  if (line !~ /^[0-9a-f]+: [a-z_]+\( /) return ""
  sub(/\( .*/, "", line)
  sub(/^[0-9a-f]+: /, "", line)
  return line
}

/find_atom\( name=L"vexo-trace-/ {
  marked = $0
  sub(/^.*vexo-trace-/, "", marked)
  sub(/".*/, "", marked)
  edge = substr(marked, 1, index(marked, " ") - 1)
  which = substr(marked, index(marked, " ") + 1)
  if (edge == "begin") {
    thread = $1; kind = which; open = 1; count = 0
    for (name in step) delete step[name]
  } else if (open && which == kind) {
    open = 0
    steps[kind]++
    total[kind] += count
    if (!(kind in low) || count < low[kind]) low[kind] = count
    if (count > high[kind]) high[kind] = count
    for (name in step) named[kind SUBSEP name] += step[name]
    if (!(kind in seen)) { seen[kind] = 1; kinds[++kindCount] = kind }
  }
  next
}
open && $1 == thread {
  name = request($0)
  if (name != "") { count++; step[name]++ }
}
END {
  for (k = 1; k <= kindCount; k++) {
    kind = kinds[k]
    n = steps[kind]
    printf "%s: %d steps, requests per step %d / %.1f / %d (min / mean / max)\n", kind, n, low[kind], total[kind] / n, high[kind]
    # The requests by falling mean count: a few dozen names, sorted by hand.
    m = 0
    for (key in named) {
      split(key, part, SUBSEP)
      if (part[1] != kind) continue
      names[++m] = part[2]; means[m] = named[key] / n
    }
    for (i = 2; i <= m; i++) {
      for (j = i; j > 1 && means[j] > means[j - 1]; j--) {
        t = means[j]; means[j] = means[j - 1]; means[j - 1] = t
        t = names[j]; names[j] = names[j - 1]; names[j - 1] = t
      }
    }
    line = ""
    for (i = 1; i <= m; i++) line = line (i == 1 ? "  " : ", ") names[i] sprintf(" %.1f", means[i])
    print line
  }
}

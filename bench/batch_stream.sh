#!/usr/bin/env bash
# pierqty-cli --batch streams its rows: peak memory (the largest resident
# set of the process, from GNU time) and rows per second at 10^4, 10^5 and
# 10^6 piers, read from a file and from a pipe; median time over RUNS runs.
# Rows per second are given by wall time and by the process's own CPU time
# (user + system), which a machine shared with other work disturbs less.
# LAYERS lists the layer counts n to run (each pier's layer loop and exact
# integration are most of its time); a text that is no number, such as x,
# makes rows that stop before any calculation: the reading and writing alone
# (exit status 2, as for any batch with a pier that stopped).
# Usage: bench/batch_stream.sh BUILD_DIR [RUNS] [LAYERS ...]
set -euo pipefail
cli="${1:?build directory}/cli/pierqty-cli"
runs=${2:-3}
shift $(($# < 2 ? $# : 2))
layers=("$@")
[ ${#layers[@]} -gt 0 ] || layers=(1000 10)
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
printf '%-9s %6s %-6s %9s %12s %9s %12s %8s\n' rows n source "wall s" "rows/s" "CPU s" "rows/CPU s" "peak MB"
for n in "${layers[@]}"; do
  for rows in 10000 100000 1000000; do
    "$(dirname "$0")/make_piers.sh" "$rows" "$n" > "$work/piers.csv"
    for source in file pipe; do
      : > "$work/times"
      for _ in $(seq "$runs"); do
        if [ "$source" = file ]; then
          /usr/bin/time -f '%e %M %U %S' -o "$work/one" "$cli" --batch "$work/piers.csv" > /dev/null 2>&1 || true
        else
          cat "$work/piers.csv" | /usr/bin/time -f '%e %M %U %S' -o "$work/one" "$cli" --batch - > /dev/null 2>&1 || true
        fi
        tail -n 1 "$work/one" >> "$work/times" # after "Command exited with non-zero status 2"
      done
      sort -n "$work/times" | awk -v rows="$rows" -v n="$n" -v source="$source" '
        { t[NR] = $1; if ($2 > peak) peak = $2; c[NR] = $3 + $4 }
        END {
          m = t[int((NR + 1) / 2)]
          for (i = 2; i <= NR; ++i) for (j = i; j > 1 && c[j - 1] > c[j]; --j) { x = c[j]; c[j] = c[j - 1]; c[j - 1] = x }
          cpu = c[int((NR + 1) / 2)]
          printf "%-9d %6s %-6s %9.2f %12.0f %9.2f %12.0f %8.1f\n", rows, n, source, m, (m > 0 ? rows / m : 0), cpu,
            (cpu > 0 ? rows / cpu : 0), peak / 1024
        }'
    done
  done
done

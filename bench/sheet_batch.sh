#!/usr/bin/env bash
# 1,000 piers at n = 1000 through `pierqty-cli --batch FILE --sheet DIR`:
# one calculation sheet per pier; median wall time of a few runs.
# Usage: bench/sheet_batch.sh BUILD_DIR [RUNS]
set -euo pipefail
cli="${1:?build directory}/cli/pierqty-cli"
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$(dirname "$0")/make_piers.sh" 1000 > "$work/piers.csv"
times=()
for _ in $(seq "$runs"); do
  rm -rf "$work/sheets"
  start=$(date +%s%N)
  "$cli" --batch "$work/piers.csv" --sheet "$work/sheets" > /dev/null
  end=$(date +%s%N)
  times+=($(( end - start )))
done
count=$(find "$work/sheets" -name '*.html' | wc -l)
bytes=$(du -sk "$work/sheets" | cut -f1)
printf '%s\n' "${times[@]}" | sort -n |
  awk -v runs="$runs" -v count="$count" -v kb="$bytes" '{ a[NR] = $1 } END {
    m = a[int((NR + 1) / 2)] / 1e9
    printf "1,000 piers at n = 1000 with --sheet DIR: median %.2f s over %d runs (%d sheets, %d KiB)\n", m, runs, count, kb
  }'

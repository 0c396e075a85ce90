#!/usr/bin/env bash
# 10,000 piers at n = 1000 through `pierqty-cli --batch`: median wall time
# of a few runs. Usage: bench/batch_rate.sh BUILD_DIR [RUNS]
set -euo pipefail
cli="${1:?build directory}/cli/pierqty-cli"
runs=${2:-5}
input=$(mktemp)
trap 'rm -f "$input"' EXIT
"$(dirname "$0")/make_piers.sh" 10000 > "$input"
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$cli" --batch "$input" > /dev/null
  end=$(date +%s%N)
  times+=($(( end - start )))
done
printf '%s\n' "${times[@]}" | sort -n |
  awk -v runs="$runs" '{ a[NR] = $1 } END { m = a[int((NR + 1) / 2)] / 1e9; printf "10,000 piers at n = 1000: median %.2f s over %d runs (%.0f piers/s)\n", m, runs, 10000 / m }'

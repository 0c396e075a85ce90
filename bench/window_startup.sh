#!/usr/bin/env bash
# Process start to window painted: median wall time of whole runs of
# `pierqty_window_bench --startup` (offscreen). Usage: bench/window_startup.sh BUILD_DIR [RUNS]
set -euo pipefail
bench="${1:?build directory with PIERQTY_BUILD_BENCH=ON}/bench/pierqty_window_bench"
runs=${2:-30}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$bench" --startup
  end=$(date +%s%N)
  times+=($(( end - start )))
done
printf '%s\n' "${times[@]}" | sort -n |
  awk -v runs="$runs" '{ a[NR] = $1 } END { printf "process start to window painted: median %.1f ms over %d runs\n", a[int((NR + 1) / 2)] / 1e6, runs }'

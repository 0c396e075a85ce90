#!/usr/bin/env bash
# A whole `pierqty-cli n=32767` run against a bare program that does the same
# arithmetic and writes the same report; medians of repeated runs, and the
# CLI's peak memory. Usage: bench/cli_vs_bare.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?build directory with PIERQTY_BUILD_BENCH=ON}
runs=${2:-200}
cli="$build/cli/pierqty-cli"
bare="$build/bench/pierqty_bare_report"
cmp <("$cli" n=32767) <("$bare" 32767) || { echo "outputs differ" >&2; exit 1; }

median_ms() { # command...
    local times=()
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        "$@" > /dev/null
        end=$(date +%s%N)
        times+=($(( end - start )))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] / 1e6 }'
}

cli_ms=$(median_ms "$cli" n=32767)
bare_ms=$(median_ms "$bare" 32767)
echo "pierqty-cli n=32767: median ${cli_ms} ms over $runs runs"
echo "bare program:        median ${bare_ms} ms over $runs runs"
awk -v a="$cli_ms" -v b="$bare_ms" 'BEGIN { printf "ratio: %.2f\n", a / b }'
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "pierqty-cli n=32767 peak memory: %M KiB" "$cli" n=32767 > /dev/null
fi

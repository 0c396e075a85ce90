#!/usr/bin/env bash
# A whole `pierqty-cli n=32767` run against a bare program that does the same
# arithmetic and writes the same report, timed side by side: the two run in
# turn, so that both see the same load. Prints the medians of the elapsed
# time and, where perf can count, of the CPU time (task-clock: user and
# system, unaffected by waiting for a busy machine); the instruction counts
# under valgrind when it is installed; and the CLI's peak memory.
# Usage: bench/cli_vs_bare.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?build directory with PIERQTY_BUILD_BENCH=ON}
runs=${2:-200}
cli=("$build/cli/pierqty-cli" n=32767)
bare=("$build/bench/pierqty_bare_report" 32767)
cmp <("${cli[@]}") <("${bare[@]}") || { echo "outputs differ" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
counting=false
if command -v perf > /dev/null && perf stat -x, -e task-clock -o "$work/probe" true 2> /dev/null; then
    counting=true
fi

run() { # name command...: appends the elapsed ns (and task-clock ms) of one run
    local name=$1 start end
    shift
    start=$(date +%s%N)
    "$@" > /dev/null
    end=$(date +%s%N)
    echo $((end - start)) >> "$work/$name.wall"
    if $counting; then
        perf stat -x, -e task-clock -o "$work/stat" "$@" > /dev/null
        grep task-clock "$work/stat" | cut -d, -f1 >> "$work/$name.cpu"
    fi
}
for _ in $(seq "$runs"); do
    run cli "${cli[@]}"
    run bare "${bare[@]}"
done

median() { sort -g "$1" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
cli_ms=$(awk -v v="$(median "$work/cli.wall")" 'BEGIN { printf "%.3f", v / 1e6 }')
bare_ms=$(awk -v v="$(median "$work/bare.wall")" 'BEGIN { printf "%.3f", v / 1e6 }')
echo "elapsed, median of $runs runs: pierqty-cli n=32767 ${cli_ms} ms, bare ${bare_ms} ms, ratio $(ratio "$cli_ms" "$bare_ms")"
if $counting; then
    cli_cpu=$(median "$work/cli.cpu")
    bare_cpu=$(median "$work/bare.cpu")
    echo "CPU time (task-clock), median of $runs runs: pierqty-cli ${cli_cpu} ms, bare ${bare_cpu} ms, ratio $(ratio "$cli_cpu" "$bare_cpu")"
fi
if command -v valgrind > /dev/null; then
    instructions() {
        valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 > /dev/null |
            awk '/Collected/ { print $NF }'
    }
    cli_ir=$(instructions "${cli[@]}")
    bare_ir=$(instructions "${bare[@]}")
    echo "instructions (callgrind): pierqty-cli ${cli_ir}, bare ${bare_ir}, ratio $(ratio "$cli_ir" "$bare_ir")"
fi
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "pierqty-cli n=32767 peak memory: %M KiB" "${cli[@]}" > /dev/null
fi

#!/bin/sh
# Runs the Win32 window's timings under Wine on a private X server: process
# start to window ready (median of RUNS whole runs) and Calculate to report
# shown at n = 1000 and n = 32767.
#   bench/win32/window_win32_bench.sh path/to/pierqty_win32_window_bench.exe [RUNS]
set -eu
bench=$1
runs=${2:-9}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
: "${WINEPREFIX:?set WINEPREFIX to a throw-away prefix}"
export WINEPREFIX
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
  bench=$1 runs=$2
  wine regedit /S "$3"
  wine "$bench" --startup > /dev/null # warm the prefix and the page cache
  i=0
  while [ $i -lt "$runs" ]; do
    wine "$bench" --startup
    i=$((i + 1))
  done | sed -n "s/^process start to window ready: \([0-9.]*\) ms.*/\1/p" | sort -n |
    awk -v runs="$runs" "{ a[NR] = \$1 } END { printf \"process start to window ready: median %.1f ms over %d runs\\n\", a[int((NR + 1) / 2)], runs }"
  wine "$bench"
  wineserver -w
' sh "$bench" "$runs" "$(cd "$(dirname "$0")/../../tests/win32" && pwd)/wine-settings.reg"

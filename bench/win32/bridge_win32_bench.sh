#!/bin/sh
# Runs the Win32 bridge window's timings under Wine on a private X server,
# for a bridge of 1,000 varied piers at n = 1000 (bench/make_piers.sh).
#   bench/win32/bridge_win32_bench.sh path/to/pierqty_win32_bridge_bench.exe
set -eu
bench=$1
here=$(cd "$(dirname "$0")" && pwd)
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
: "${WINEPREFIX:?set WINEPREFIX to a throw-away prefix}"
export WINEPREFIX
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
bash "$here/../make_piers.sh" 1000 > "$folder/piers.csv"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
  wine regedit /S "$3"
  wine "$1" "$(winepath -w "$2")"
  wineserver -w
' sh "$bench" "$folder/piers.csv" "$here/../../tests/win32/wine-settings.reg"

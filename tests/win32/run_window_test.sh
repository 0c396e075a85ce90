#!/bin/sh
# Runs the Win32 window test under Wine on one private X server, at 96 dpi
# and at 144 dpi. Uses $WINEPREFIX if set (a throw-away prefix), else makes
# one in a temporary folder; never touches ~/.wine.
#   run_window_test.sh path/to/pierqty_win32_window_tests.exe
set -eu
test_exe=$1
here=$(cd "$(dirname "$0")" && pwd)
made_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(mktemp -d)
  made_prefix=$WINEPREFIX
fi
export WINEPREFIX WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

status=0
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
  set -u
  reg=$1 exe=$2
  dpi() { wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$1" /f > /dev/null 2>&1; }
  # A server left from programs started without a display would keep them
  # away from this X server.
  wineserver -w
  # The Song faces drawn with AR PL UMing; Wine draws its own frames.
  wine regedit /S "$reg"
  status=0
  dpi 96
  echo "== 96 dpi"
  wine "$exe" --dpi 96 || status=1
  dpi 144
  echo "== 144 dpi"
  wine "$exe" --dpi 144 || status=1
  dpi 96
  wineserver -w
  exit $status
' sh "$here/wine-settings.reg" "$test_exe" || status=$?

if [ -n "$made_prefix" ]; then
  WINEPREFIX=$made_prefix wineserver -k 2> /dev/null || true
  rm -rf "$made_prefix"
fi
exit $status

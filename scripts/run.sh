#!/usr/bin/env bash
# Builds pierqty and opens its window; with no display, prints the default
# pier through pierqty-cli instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
cmake --preset app > /dev/null
cmake --build --preset app
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/app/ui/qt/pierqty
fi
echo "No display to open the window on; the default pier from pierqty-cli:" >&2
exec build/app/cli/pierqty-cli

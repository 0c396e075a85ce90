#!/usr/bin/env bash
# Builds everything with the tests and runs them all (the window's offscreen).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh "${PIERQTY_SETUP_PROFILE:-test}"
cmake --preset release > /dev/null
cmake --build --preset release
ctest --preset release -j2

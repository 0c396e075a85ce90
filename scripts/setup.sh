#!/usr/bin/env bash
# Installs what the build needs on Debian 12, when it is missing.
# Usage: scripts/setup.sh [run|test|ci]
set -euo pipefail
profile=${1:-test}

packages=(g++ cmake ninja-build pkg-config libcli11-dev nlohmann-json3-dev libboost-dev
          qt6-base-dev qt6-svg-dev libgl-dev fonts-noto-cjk xdg-utils qt6-translations-l10n)
case "$profile" in
  run) ;;
  test) packages+=(libgtest-dev libbenchmark-dev locales) ;;
  ci) packages+=(libgtest-dev libbenchmark-dev locales clang libclang-rt-14-dev dpkg-dev file chromium poppler-utils) ;;
  *) echo "usage: $0 [run|test|ci]" >&2; exit 64 ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# A locale with a decimal comma, so the tests can prove no number follows it.
if [ "$profile" != run ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8" >&2
fi

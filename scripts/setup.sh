#!/usr/bin/env bash
# Installs what the build needs on Debian 12, when it is missing.
# Usage: scripts/setup.sh [run|test|ci|windows]
#   windows: the cross build for 64-bit Windows (mingw-w64), Wine to run its
#   tests, NSIS for its installer and what the installer's icon is drawn with.
set -euo pipefail
profile=${1:-test}

packages=(g++ cmake ninja-build pkg-config libcli11-dev nlohmann-json3-dev libboost-dev
          qt6-base-dev qt6-svg-dev libgl-dev fonts-noto-cjk xdg-utils help2man qt6-translations-l10n)
windows=(libgtest-dev mingw-w64 wine wine64 nsis xvfb xauth x11-utils fonts-arphic-uming librsvg2-bin imagemagick)
case "$profile" in
  run) ;;
  test) packages+=(libgtest-dev libbenchmark-dev locales) ;;
  ci) packages+=(libgtest-dev libbenchmark-dev locales clang libclang-rt-14-dev dpkg-dev file man-db chromium poppler-utils python3
                 "${windows[@]}") ;;
  windows) packages+=(locales "${windows[@]}") ;;
  *) echo "usage: $0 [run|test|ci|windows]" >&2; exit 64 ;;
esac

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# A locale with a decimal comma, so the tests can prove no number follows it;
# and a Chinese one, under which Wine's ANSI code page is 936 as on Chinese
# Windows.
have_locale() { locale -a 2>/dev/null | grep -qi "^$1\.utf-\?8$"; }
if [ "$profile" != run ] && ! have_locale de_DE; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8" >&2
fi
if { [ "$profile" = ci ] || [ "$profile" = windows ]; } && ! have_locale zh_CN; then
  $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 || echo "note: could not generate zh_CN.UTF-8" >&2
fi

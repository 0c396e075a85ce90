#!/usr/bin/env bash
# Installs what the build needs on Debian 12, when it is missing.
# Usage: scripts/setup.sh [run|test|ci|windows]
#   windows: the cross build for 64-bit Windows (mingw-w64), Wine to run its
#   tests, NSIS for its installer and what the installer's icon is drawn with.
set -euo pipefail
profile=${1:-test}

# dpkg-dev and zlib1g-dev: libxlsxwriter is built from its Debian source
# package (below).
packages=(g++ cmake ninja-build pkg-config libcli11-dev nlohmann-json3-dev libboost-dev dpkg-dev zlib1g-dev
          qt6-base-dev qt6-svg-dev libgl-dev fonts-noto-cjk xdg-utils help2man qt6-translations-l10n)
windows=(libgtest-dev mingw-w64 wine wine64 nsis xvfb xauth x11-utils fonts-arphic-uming librsvg2-bin imagemagick
         libz-mingw-w64-dev python3-openpyxl)
case "$profile" in
  run) ;;
  test) packages+=(libgtest-dev libbenchmark-dev locales python3-openpyxl unzip) ;;
  ci) packages+=(libgtest-dev libbenchmark-dev locales unzip clang libclang-rt-14-dev file man-db chromium poppler-utils python3
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

# libxlsxwriter is built from its Debian source package, fetched into
# build/third-party, by every build (cmake/dependencies.cmake): Debian's
# binary package prints numbers with 16 significant digits, and has no mingw
# build. apt needs a deb-src entry for that: one of its own, with the URIs and
# suites of the archive this machine already uses. The source is fetched into
# a folder of its own and moved in whole, so an interrupted fetch is fetched
# again; once there, nothing is asked of apt.
root=$(cd "$(dirname "$0")/.." && pwd)
third=$root/build/third-party
if ! ls "$third"/libxlsxwriter-*/include/xlsxwriter.h > /dev/null 2>&1; then
  entry=/etc/apt/sources.list.d/pierqty-deb-src.sources
  if [ ! -f "$entry" ]; then
    {
      for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && [ "$file" != "$entry" ] || continue
        # Each stanza of binary packages again, for source packages.
        awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Types:[^\n]*deb([ \t]|\n|$)/ && $0 !~ /deb-src/ {
               sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file"
      done
      if [ -f /etc/apt/sources.list ]; then
        # One-line entries: deb [options] URI suite components.
        grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list | while read -r _ rest; do
          set -- $rest
          [ "${1#[}" != "$1" ] && shift
          printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n\n' "$1" "$2" "${*:3}"
        done
      fi
    } | $SUDO tee "$entry" > /dev/null
  fi
  $SUDO apt-get update -qq
  mkdir -p "$third"
  fetch=$(mktemp -d "$third/fetch.XXXXXX")
  trap 'rm -rf "$fetch"' EXIT
  (cd "$fetch" && apt-get source -qq libxlsxwriter)
  for folder in "$fetch"/libxlsxwriter-*/; do
    folder=${folder%/}
    rm -rf "${third:?}/${folder##*/}"
    mv "$folder" "$third/"
  done
  mv "$fetch"/libxlsxwriter_* "$third/"
fi

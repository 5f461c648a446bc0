#!/usr/bin/env bash
# Installs from Debian what building and testing Kestrane needs, when it is missing, and any
# further packages named as arguments (the benchmarks name theirs).
# Quiet and quick when everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang clang-format
  libgtest-dev googletest libbenchmark-dev libcli11-dev
  libgtk-3-dev
  g++-mingw-w64-x86-64-posix wine64
  xvfb xdotool
  icoutils imagemagick libxml2-utils
  nsis help2man lintian desktop-file-utils appstream man-db zip python3
  libclang-rt-14-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "install-deps: this is not a Debian-like system (no apt-get); install these yourself:" >&2
  echo "  ${missing[*]}" >&2
  exit 1
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
  "${missing[@]}" >/dev/null

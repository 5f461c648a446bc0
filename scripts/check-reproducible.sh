#!/usr/bin/env bash
# Builds the last commit twice, in two folders of different names one after the other, and
# checks that the packages are byte for byte the same: the Debian package and its -dbgsym
# package (linux), the zip and the setup program (windows). Uncommitted changes are not built.
# Usage: scripts/check-reproducible.sh [linux|windows]...   (both when none is named)
# Takes a while: each build compiles everything, without ccache, which would hand the second
# build the first one's objects.
set -euo pipefail
cd "$(dirname "$0")/.."
systems=("$@")
[ ${#systems[@]} -gt 0 ] || systems=(linux windows)
for system in "${systems[@]}"; do
  case $system in linux | windows) ;; *) echo "unknown system: $system" >&2; exit 2 ;; esac
done

commit=$(git rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrane-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
export CCACHE_DISABLE=1
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER SOURCE_DATE_EPOCH

# build FOLDER SYSTEM: a fresh clone of the commit in FOLDER, built and packed; the packages
# land in FOLDER/out.
build() {
  local dir=$1 system=$2
  [ -d "$dir/src" ] || git clone -q --no-checkout . "$dir/src"
  git -C "$dir/src" checkout -q "$commit"
  mkdir -p "$dir/out"
  (
    cd "$dir/src"
    cmake --preset "$system" >"$dir/configure-$system.log"
    if [ "$system" = linux ]; then
      cmake --build build/linux --target kestrane kestrane-cli man_pages debian_changelog \
        kestrane_icons >"$dir/build-$system.log"
      (cd build/linux && cpack -G DEB -B "$dir/pack" >>"$dir/build-$system.log")
      cp "$dir"/pack/*.deb "$dir"/pack/*.ddeb "$dir/out/"
    else
      cmake --build build/windows --target Kestrane kestrane-cli setup >"$dir/build-$system.log"
      (cd build/windows && cpack -G ZIP -B "$dir/pack" >>"$dir/build-$system.log")
      cp "$dir"/pack/*.zip build/windows/packages/*-setup.exe "$dir/out/"
    fi
  ) || { echo "the build in $dir failed; its logs:" >&2; tail -20 "$dir"/*.log >&2; exit 1; }
}

first=$work/first
second=$work/a-second-folder-with-a-longer-name
for system in "${systems[@]}"; do
  echo "== $system: building $commit in $first"
  build "$first" "$system"
done
for system in "${systems[@]}"; do
  echo "== $system: building it again in $second"
  build "$second" "$system"
done

status=0
for package in "$first"/out/*; do
  name=${package##*/}
  other=$second/out/$name
  if [ ! -f "$other" ]; then
    echo "DIFFERENT: $name was made only once"
    status=1
  elif cmp -s "$package" "$other"; then
    echo "same: $(sha256sum "$package" | cut -c1-64)  $name"
  else
    echo "DIFFERENT: $name"
    status=1
    if command -v diffoscope >/dev/null 2>&1; then
      diffoscope "$package" "$other" | head -100 || true
    else
      echo "  $(cmp "$package" "$other" || true); sizes $(stat -c %s "$package" "$other" | tr '\n' ' ')"
    fi
  fi
done
exit $status

#!/bin/sh
# Makes the Debian package from a built Linux tree and checks it as Debian and the desktops do:
# its contents, its debug symbols package, lintian (no error, no hardening tag), the desktop
# entry and the AppStream metadata.
# Usage: debian_package_test.sh BUILD_DIR CPACK
set -eu
build=$1
cpack=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in dpkg-deb lintian desktop-file-validate appstreamcli man readelf; do
  command -v $tool >/dev/null 2>&1 ||
    { echo "SKIP: $tool is not installed (scripts/install-deps.sh)"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrane-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT

# In a folder of its own, so that a cpack run by hand meanwhile is not disturbed.
"$cpack" -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
set -- "$work"/out/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "cpack made no single .deb: $*"
deb=$1

dpkg-deb -x "$deb" "$work/root"
root=$work/root/usr
for f in bin/kestrane bin/kestrane-cli share/man/man1/kestrane.1.gz \
  share/man/man1/kestrane-cli.1.gz share/doc/kestrane/copyright share/doc/kestrane/changelog.gz \
  share/applications/kestrane.desktop share/icons/hicolor/256x256/apps/kestrane.png; do
  [ -s "$root/$f" ] || fail "the package lacks /usr/$f"
done
set -- "$root"/share/metainfo/*.metainfo.xml
[ $# -eq 1 ] && [ -f "$1" ] || fail "the package has no single AppStream file in /usr/share/metainfo"
metainfo=$1

desktop-file-validate "$root/share/applications/kestrane.desktop" ||
  fail "desktop-file-validate rejects the desktop entry"
for line in 'Exec=kestrane /file' 'Exec=kestrane %f' 'MimeType=inode/directory;'; do
  grep -qxF "$line" "$root/share/applications/kestrane.desktop" ||
    fail "the desktop entry lacks the line $line"
done
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
for page in kestrane kestrane-cli; do
  # man -l renders the page and reports its markup mistakes on standard error.
  MANWIDTH=80 man -l "$root/share/man/man1/$page.1.gz" 2>"$work/man.err" >/dev/null
  [ ! -s "$work/man.err" ] || fail "$page(1) does not render cleanly: $(cat "$work/man.err")"
done

# The programs stripped, each with its debug information in the -dbgsym package under its
# build id, where debuggers look.
set -- "$work"/out/*-dbgsym_*.ddeb
[ $# -eq 1 ] && [ -f "$1" ] || fail "cpack made no single -dbgsym package: $*"
dpkg-deb -x "$1" "$work/dbgsym"
for program in kestrane kestrane-cli; do
  readelf -SW -n "$root/bin/$program" >"$work/elf"
  ! grep -q -E ' \.(symtab|debug_info|comment) ' "$work/elf" ||
    fail "/usr/bin/$program is not stripped: $(grep -E ' \.(symtab|debug_info|comment) ' "$work/elf")"
  id=$(sed -n 's/.*Build ID: //p' "$work/elf")
  debug="$work/dbgsym/usr/lib/debug/.build-id/$(echo "$id" | cut -c1-2)/$(echo "$id" | cut -c3-).debug"
  [ -n "$id" ] && readelf -S "$debug" 2>/dev/null | grep -q ' \.debug_info ' ||
    fail "no debug information for /usr/bin/$program (build id '$id') in the -dbgsym package"
done

# Lintian's full report is shown, pedantic and informational tags too; an error fails the test,
# and so does any hardening tag.
lintian --fail-on error --pedantic -I --tag-display-limit 0 "$deb" | tee "$work/lintian" ||
  fail "lintian reports errors (above)"
! grep -q 'hardening-' "$work/lintian" || fail "lintian finds the programs not hardened (above)"
echo "PASS: $(basename "$deb")"

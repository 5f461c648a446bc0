#!/bin/sh
# Makes the Debian package from a built Linux tree and checks it as Debian and the desktops do:
# its contents, lintian (no error), the desktop entry and the AppStream metadata.
# Usage: debian_package_test.sh BUILD_DIR CPACK
set -eu
build=$1
cpack=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in dpkg-deb lintian desktop-file-validate appstreamcli man; do
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
grep -qx 'Exec=kestrane /file' "$root/share/applications/kestrane.desktop" ||
  fail "the desktop entry has no action for file mode"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
for page in kestrane kestrane-cli; do
  # man -l renders the page and reports its markup mistakes on standard error.
  MANWIDTH=80 man -l "$root/share/man/man1/$page.1.gz" 2>"$work/man.err" >/dev/null
  [ ! -s "$work/man.err" ] || fail "$page(1) does not render cleanly: $(cat "$work/man.err")"
done

# Lintian's full report is shown; only an error fails the test.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors (above)"
echo "PASS: $(basename "$deb")"

#!/bin/sh
# Checks what the built Kestrane.exe carries: its icon, version record and manifest, and that it
# is a GUI program needing no DLL beyond the system's.
# Usage: resources_test.sh KESTRANE_EXE VERSION OBJDUMP
set -eu
exe=$1
version=$2
objdump=$3
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in wrestool icotool strings xmllint; do
  command -v $tool >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrane-res.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Icon group 128: thirteen images, as "size depth".
wrestool -x -t14 -n128 -o "$work/group.ico" "$exe" || fail "no icon group 128"
icotool -l "$work/group.ico" |
  sed -n 's/.*--width=\([0-9]*\) --height=\([0-9]*\) --bit-depth=\([0-9]*\).*/\1x\2 \3/p' |
  sort >"$work/icons"
printf '%s\n' "16x16 4" "24x24 4" "32x32 4" "48x48 4" "16x16 8" "24x24 8" "32x32 8" "48x48 8" \
  "16x16 32" "24x24 32" "32x32 32" "48x48 32" "256x256 32" | sort >"$work/want"
diff "$work/want" "$work/icons" >&2 || fail "icon images differ from the thirteen expected (above)"

# Version record: the fixed numbers and the strings, each key followed by its value.
wrestool -x -R -t16 -n1 "$exe" >"$work/version" || fail "no version record"
IFS=. read -r major minor patch tweak <<END
$version
END
words=$(printf '%08x %08x %08x %08x' $(((major << 16) | minor)) $(((patch << 16) | tweak)) \
  $(((major << 16) | minor)) $(((patch << 16) | tweak)))
od -An -tx4 -v "$work/version" | tr -s ' \n' '  ' | grep -q "feef04bd 00010000 $words" ||
  fail "the fixed file and product versions are not $version"
strings -el "$work/version" >"$work/strings"
for pair in "FileDescription=Kestrane" "InternalName=Kestrane.exe" \
  "OriginalFilename=Kestrane.exe" "FileVersion=$version" "ProductVersion=$version"; do
  key=${pair%%=*}
  value=${pair#*=}
  [ "$(grep -A1 -x "$key" "$work/strings" | sed -n 2p)" = "$value" ] ||
    fail "version string $key is not '$value'"
done

# Manifest, resource type 24 id 1.
wrestool -x -R -t24 -n1 "$exe" >"$work/manifest" || fail "no manifest"
# Windows refuses to start a program whose manifest is not well-formed XML.
xmllint --noout "$work/manifest" || fail "the manifest is not well-formed XML"
for want in 'level="asInvoker"' 'uiAccess="false"' '<dpiAware [^>]*>true/pm</dpiAware>' \
  '<dpiAwareness [^>]*>PerMonitorV2[,<]' \
  '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'; do
  grep -q "$want" "$work/manifest" || fail "manifest lacks $want"
done

"$objdump" -p "$exe" >"$work/headers"
grep -q 'Subsystem.*(Windows GUI)' "$work/headers" || fail "not a GUI program"
extra=$(sed -n 's/.*DLL Name: //p' "$work/headers" | tr 'A-Z' 'a-z' |
  grep -v -x -E 'kernel32.dll|user32.dll|ole32.dll|shell32.dll|comdlg32.dll|msvcrt.dll|advapi32.dll|api-ms-win-.*' || true)
[ -z "$extra" ] || fail "needs DLLs that Windows lacks: $extra"
echo "PASS: icon, version record and manifest of $exe"

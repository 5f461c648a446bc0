#!/bin/sh
# Checks that the built programs carry the hardening a release build promises: what every
# compilation of their sources was given, and what the linker made of it.
# Usage: hardening_test.sh linux BUILD_DIR READELF PROGRAM...
#        hardening_test.sh windows BUILD_DIR OBJDUMP PROGRAM...
set -eu
system=$1
build=$2
tool=$3
shift 3
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
command -v python3 >/dev/null 2>&1 || { echo "SKIP: python3 is not installed"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrane-hardening.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Every compilation of our sources and the vendored ones: for each kind of flag, the last one
# given (which is the one that counts) must be the hardened one.
python3 - "$build/compile_commands.json" "$system" <<'PY' || fail "compilations without hardening (above)"
import json, re, shlex, sys
kinds = [  # (what a word of the kind looks like, what the last one must be)
    (r"-f(no-)?stack-protector(-\w+)?", r"-fstack-protector-strong"),
    (r"-[DU]_FORTIFY_SOURCE(=.*)?", r"-D_FORTIFY_SOURCE=[23]"),
    (r"-f(no-)?stack-clash-protection", r"-fstack-clash-protection"),
    (r"-f(no-)?cf-protection(=.*)?", r"-fcf-protection(=full)?"),
    (r"-W(no-)?(error=)?format-security", r"-Werror=format-security"),
]
if sys.argv[2] == "windows":
    kinds = kinds[:1]  # mingw: the stack protector only
entries = [e for e in json.load(open(sys.argv[1]))
           if re.search(r"/(src|third_party)/.*\.(c|cc|cpp)$", e["file"])]
if not entries:
    sys.exit("no compilation of the sources in " + sys.argv[1])
bad = False
for e in entries:
    words = shlex.split(e["command"])
    for kind, wanted in kinds:
        given = [w for w in words if re.fullmatch(kind, w)]
        if not given or not re.fullmatch(wanted, given[-1]):
            print(f"{e['file']}: {given[-1] if given else 'nothing'}, not {wanted}", file=sys.stderr)
            bad = True
sys.exit(1 if bad else 0)
PY

for program in "$@"; do
  name=${program##*/}
  if [ "$system" = linux ]; then
    "$tool" -hldsW --dyn-syms "$program" >"$work/elf" 2>&1 || fail "$tool cannot read $program"
    # check WHAT PATTERN: the program's headers and symbols must match PATTERN.
    check() { grep -q -E "$2" "$work/elf" || fail "$name: not $1"; }
    check "position-independent" 'Type: +DYN '
    check "RELRO" '^ +GNU_RELRO '
    check "bound at load (BIND_NOW)" '\(FLAGS\) +.*BIND_NOW|Flags: .*NOW'
    check "non-executable stack" '^ +GNU_STACK +.* RW +0x'
    check "stack-protected" ' UND __stack_chk_fail'
    grep -q -E ' UND __[a-z_]+_chk(@|$)' "$work/elf" && fortified=yes || true
  else
    "$tool" -p -t "$program" >"$work/pe" 2>&1 || fail "$tool cannot read $program"
    chars=$(sed -n 's/^DllCharacteristics[[:space:]]*//p' "$work/pe")
    [ -n "$chars" ] || fail "$name: no DllCharacteristics"
    for bit in "0x0020 high-entropy ASLR" "0x0040 ASLR (dynamic base)" "0x0100 NX"; do
      [ $((0x$chars & ${bit%% *})) -ne 0 ] || fail "$name: no ${bit#* } (DllCharacteristics $chars)"
    done
    # Linked in, not imported from libssp-0.dll, which Windows lacks.
    grep -q '__stack_chk_fail$' "$work/pe" || fail "$name: no stack protector linked in"
    ! grep -qi 'DLL Name: libssp' "$work/pe" || fail "$name: needs libssp's DLL"
    grep -q -E '^Time/Date[[:space:]]+(Thu Jan  1 00:00:00 1970|0+)$' "$work/pe" ||
      fail "$name: the header records the link time: $(grep '^Time/Date' "$work/pe")"
  fi
done
# A fortified call is there only where the compiler knew a buffer's size; one program at least.
[ "$system" != linux ] || [ -n "${fortified:-}" ] || fail "no program calls a fortified function"
echo "PASS: $system programs hardened: $*"

#!/bin/sh
# Drives Kestrane.exe under Wine through its real dialogs on a private X server.
# Usage: gui_test_wine.sh WINE64 WINESERVER KESTRANE_EXE CASE, CASE being picker, choose or file.
#
# WINEPREFIX must be a prefix of the GUI tests' own. Wine's programs draw on the display of the
# prefix's desktop process, which the first program of a session starts: in a prefix shared with
# console tests that process has no display, and every window would go nowhere. So each test
# starts its own session here, on its own X server, and ends it with wineserver -k.
wine=$1
wineserver=$2
exe=$3
case_name=$4
. "$(dirname "$0")/gui_test_lib.sh"
[ -n "${WINEPREFIX:-}" ] || fail "WINEPREFIX is not set"

# The session ends before the X server it draws on.
end_session() {
  timeout 20 "$wineserver" -k </dev/null >/dev/null 2>&1 || true
  timeout 20 "$wineserver" -w </dev/null >/dev/null 2>&1 || true
}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the Wine prefix $WINEPREFIX for the GUI tests (once, about 15 s)"
  mkdir -p "$HOME"
  env -u DISPLAY timeout 240 "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
  end_session
  [ -f "$WINEPREFIX/system.reg" ] || fail "the Wine prefix was not created"
fi
# A session left over from an interrupted run would keep its old display.
end_session
trap 'end_session; cleanup' EXIT

# The Windows name of a Linux path: Wine's drive Z: is /.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

subs="$work/subs"
case $case_name in
picker)
  write_subtitles "$subs/a.txt" "$subs/deeper/b.txt"
  start_x
  start_app "$wine" "$exe"
  win=$(find_window "Browse to the starting folder:") || exit 1
  # xdotool measures the client area; Wine frames a dialog with 3 pixels on each side and a
  # 19-pixel caption. Kestrane takes the client size w x h the browser starts with, centres
  # that on the 1024x768 screen and makes the window w+25 by h+60.
  geometry=$(xdotool getwindowgeometry "$win")
  x=$(echo "$geometry" | sed -n 's/.*Position: \([0-9]*\),.*/\1/p')
  y=$(echo "$geometry" | sed -n 's/.*Position: [0-9]*,\([0-9]*\).*/\1/p')
  w=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  h=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
  start_w=$((w + 3 + 3 - 25))
  start_h=$((h + 22 + 3 - 60))
  [ "$start_w" -gt 100 ] && [ "$start_h" -gt 100 ] || fail "picker too small: $geometry"
  want_x=$(((1024 - start_w) / 2 + 3))
  want_y=$(((768 - start_h) / 2 + 22))
  [ "$x" -eq "$want_x" ] && [ "$y" -eq "$want_y" ] ||
    fail "picker at $x,$y, size ${w}x$h: a ${start_w}x$start_h start centred and enlarged would be at $want_x,$want_y"
  focus "$win"
  press Escape
  wait_exit 0
  expect_untouched "$subs/a.txt" "$subs/deeper/b.txt"
  ;;
choose)
  # The tree starts at the desktop, whose folder the prefix links to a real one: a folder put
  # there is a top-level item that type-ahead can select.
  desktop=
  for d in "$WINEPREFIX"/drive_c/users/*/Desktop; do
    case $d in */Public/Desktop) ;; *) desktop=$(readlink -f "$d") ;; esac
  done
  [ -n "$desktop" ] && [ -d "$desktop" ] || fail "the prefix has no desktop folder"
  name="zz-kestrane-gui-$$"
  also_remove="$desktop/$name"
  write_subtitles "$desktop/$name/a.txt" "$desktop/$name/deeper/b.TXT"
  start_x
  start_app "$wine" "$exe"
  win=$(find_window "Browse to the starting folder:") || exit 1
  focus "$win"
  type_text "$name"
  sleep 0.5
  press Return
  wait_exit 0
  expect_converted "$desktop/$name/a.txt" "$desktop/$name/deeper/b.TXT"
  ;;
file)
  write_subtitles "$subs/a.txt" "$subs/more/b.txt" "$subs/c.txt"
  start_x
  start_app "$wine" "$exe" /file
  first=$(find_window Open) || exit 1
  focus "$first"
  type_text "$(winpath "$subs/a.txt")"
  press Return
  wait_file "$subs/a.txt_original"
  second=$(find_window Open "$first") || exit 1
  focus "$second"
  type_text "$(winpath "$subs/more/b.txt")"
  press Return
  wait_file "$subs/more/b.txt_original"
  third=$(find_window Open "$second") || exit 1
  focus "$third"
  press Escape
  wait_exit 0
  expect_converted "$subs/a.txt" "$subs/more/b.txt"
  expect_untouched "$subs/c.txt"
  ;;
*)
  fail "unknown case $case_name"
  ;;
esac
echo "PASS: $case_name"

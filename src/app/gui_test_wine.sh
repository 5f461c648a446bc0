#!/bin/sh
# Drives Kestrane.exe under Wine through its real dialogs on a private X server.
# Usage: gui_test_wine.sh WINE64 WINESERVER KESTRANE_EXE CASE, CASE being picker, choose,
#        start-folder, explorer-line, file, fps or sources;
#        gui_test_wine.sh WINE64 WINESERVER KESTRANE_EXE owner OWNER_TESTS_EXE
#        gui_test_wine.sh WINE64 WINESERVER KESTRANE_EXE setup SETUP_EXE SHORTCUT_PROBE_EXE
#                         SETUP_FILES_DIR VERSION PUBLISHER
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
make_prefix() {
  echo "creating the Wine prefix $WINEPREFIX for the GUI tests (once, about 15 s)"
  mkdir -p "$HOME"
  env -u DISPLAY timeout 240 "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
  end_session
  [ -f "$WINEPREFIX/system.reg" ] || fail "the Wine prefix was not created"
}
[ -f "$WINEPREFIX/system.reg" ] || make_prefix
# A session left over from an interrupted run would keep its old display.
end_session
trap 'end_session; cleanup' EXIT

# The Windows name of a Linux path: Wine's drive Z: is /.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# How convert_one chooses a file: Wine's dialog takes a Windows path typed into it.
choose() {
  focus "$1"
  type_text "$(winpath "$2")"
  press Return
}

subs="$work/subs"
case $case_name in
picker)
  write_subtitles "$subs/a.txt" "$subs/deeper/b.txt"
  start_x
  start_app "$wine" "$exe"
  win=$(find_window "Browse to the starting folder:") || exit 1
  # xdotool measures the client area; Wine frames a dialog with 3 pixels on each side and a
  # 19-pixel caption. Kestrane enlarges the whole window (by how much, its tests of the
  # placement show) and centres it on its monitor's work area: the whole 1024x768 screen, which
  # has no taskbar here.
  geometry=$(xdotool getwindowgeometry "$win")
  x=$(echo "$geometry" | sed -n 's/.*Position: \([0-9]*\),.*/\1/p')
  y=$(echo "$geometry" | sed -n 's/.*Position: [0-9]*,\([0-9]*\).*/\1/p')
  w=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  h=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
  window_w=$((w + 3 + 3))
  window_h=$((h + 22 + 3))
  [ "$w" -gt 125 ] && [ "$h" -gt 160 ] || fail "picker too small: $geometry"
  want_x=$(((1024 - window_w) / 2 + 3))
  want_y=$(((768 - window_h) / 2 + 22))
  [ "$x" -eq "$want_x" ] && [ "$y" -eq "$want_y" ] ||
    fail "picker at $x,$y, client ${w}x$h: a ${window_w}x$window_h window centred is at $want_x,$want_y"
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
start-folder)
  # As Explorer's right-click entry starts it: the folder is selected already, and OK (Return)
  # converts it. The folder lies deeper than the tree shows at first, so a selection that was
  # not made would choose another. On drive C: of the prefix: Wine's browser walking down to a
  # folder in Z:\tmp (the whole Linux tree) has been seen to stop half-way.
  name="kestrane-gui-$$"
  deep="$WINEPREFIX/drive_c/$name/level 1/level 2"
  also_remove="$WINEPREFIX/drive_c/$name"
  write_subtitles "$WINEPREFIX/drive_c/$name/a.txt" "$deep/b.txt" "$deep/deeper/c.txt"
  start_x
  start_app "$wine" "$exe" "C:\\$name\\level 1\\level 2"
  win=$(find_window "Browse to the starting folder:") || exit 1
  sleep 1
  expect_untouched "$deep/b.txt"
  focus "$win"
  press Return
  wait_exit 0
  expect_converted "$deep/b.txt" "$deep/deeper/c.txt"
  expect_untouched "$WINEPREFIX/drive_c/$name/a.txt"
  ;;
explorer-line)
  # Explorer's right-click entry as the setup writes it, the rate before the folder, on a line
  # passed exactly so: a .bat hands its line on as written, where Wine would quote a Unix argv
  # its own way. The folder ends in a backslash, as Explorer writes a drive's root, which the
  # runtime's rules would read as a quote within the name: the picker starts there all the
  # same, and OK converts it at 25 fps.
  name="kestrane-gui-$$"
  folder="$WINEPREFIX/drive_c/$name/level 1"
  also_remove="$WINEPREFIX/drive_c/$name"
  write_subtitles "$WINEPREFIX/drive_c/$name/a.txt" "$folder/b.txt"
  printf '@"%s" /fps:25 "C:\\%s\\level 1\\"\r\nexit /b %%ERRORLEVEL%%\r\n' "$(winpath "$exe")" \
    "$name" >"$work/entry.bat"
  start_x
  start_app "$wine" cmd /c "$(winpath "$work/entry.bat")"
  win=$(find_window "Browse to the starting folder:") || exit 1
  sleep 1
  expect_untouched "$folder/b.txt"
  focus "$win"
  press Return
  wait_exit 0
  expect_at_25_fps "$folder/b.txt"
  expect_untouched "$WINEPREFIX/drive_c/$name/a.txt"
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
fps)
  # A rate Kestrane does not know: one message box, then the end, with nothing converted.
  write_subtitles "$subs/a.txt" "$subs/b.txt"
  start_x
  refuse_rate "$wine" "$exe" /file /fps:26
  expect_untouched "$subs/a.txt" "$subs/b.txt"
  # A known one, in any letter case.
  convert_one "$subs/a.txt" "$wine" "$exe" /FILE /FPS:25
  expect_at_25_fps "$subs/a.txt"
  expect_untouched "$subs/b.txt"
  # An offset that is no timecode at the rate: the same message box, nothing converted.
  refuse_rate "$wine" "$exe" /file /fps:25 /offset:00:00:00:25
  expect_untouched "$subs/b.txt"
  # One that is, read at the rate wherever it stands, and the tags' removal.
  convert_one "$subs/b.txt" "$wine" "$exe" /file /OFFSET:01:00:00:00 /strip-tags /fps:25
  expect_at_25_fps_from 01 "$subs/b.txt"
  ;;
sources)
  # The open-file dialog offers .srt and .vtt files in any letter case. A folder's path typed
  # into it opens the folder; four Tabs go from the name box past the type list and the two
  # buttons to the files, where Down selects the first listed: in a folder holding nothing
  # else, the source, whose list Return writes beside it, the source left as it was.
  mkdir -p "$subs/vtt"
  printf 'WEBVTT\r\n\r\n00:01.000 --> 00:02.500\r\nHello there\r\n' >"$subs/vtt/b.vtt"
  cp "$subs/vtt/b.vtt" "$work/b.vtt"
  name="kestrane-gui-$$"
  walk="$WINEPREFIX/drive_c/$name"
  also_remove="$walk"
  write_subtitles "$subs/srt/a.SRT" "$walk/c.srt"
  start_x
  for source in "$subs/srt/a.SRT" "$subs/vtt/b.vtt"; do
    start_app "$wine" "$exe" /file
    first=$(find_window Open) || exit 1
    focus "$first"
    type_text "$(winpath "$(dirname "$source")")"
    press Return
    sleep 1
    press Tab Tab Tab Tab Down Return
    wait_file "${source%.*}.txt"
    cancel_next "$first"
  done
  # A folder walk takes sources with /sources: (on drive C:, as start-folder says why).
  start_app "$wine" "$exe" /sources:srt,vtt "C:\\$name"
  win=$(find_window "Browse to the starting folder:") || exit 1
  sleep 1
  focus "$win"
  press Return
  wait_exit 0
  expect_listed_beside "$subs/srt/a.SRT" "$subs/vtt/b.vtt" "$walk/c.srt"
  expect_untouched "$subs/srt/a.SRT" "$walk/c.srt"
  cmp -s "$work/b.vtt" "$subs/vtt/b.vtt" || fail "b.vtt was changed"
  ;;
owner)
  # The open-file dialogs' owner, a real window: its tests ($5, a GoogleTest program) on this
  # session's display.
  start_x
  start_app "$wine" "$5"
  wait_exit 0
  grep -q '^\[  PASSED  \]' "$app_out" && ! grep -q '^\[  SKIPPED \]' "$app_out" ||
    fail "the owner's tests did not all run: $(cat "$app_out")"
  cat "$app_out"
  ;;
setup)
  setup_exe=$5 probe=$6 files=$7 version=$8 publisher=$9
  # Wine would mirror each shortcut into the (test's) Linux menus; nothing here needs that.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
  user=
  for d in "$WINEPREFIX"/drive_c/users/*; do
    case $d in */Public) ;; *) user=${d##*/} ;; esac
  done
  [ -n "$user" ] || fail "the prefix has no user folder"
  home="$WINEPREFIX/drive_c/users/$user"
  dir="$home/AppData/Local/Programs/Kestrane"
  win_dir="C:\\users\\$user\\AppData\\Local\\Programs\\Kestrane"
  menu="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
  folder_link="$menu/Kestrane - convert a folder.lnk"
  files_link="$menu/Kestrane - convert files one by one.lnk"
  key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrane'
  # The setup meets a prefix that never had Kestrane: one an interrupted run left traces in is
  # made anew.
  if [ -e "$dir" ] || [ -e "$folder_link" ] || [ -e "$files_link" ] ||
    grep -q 'Uninstall\\\\Kestrane\]' "$WINEPREFIX/user.reg"; then
    rm -rf "$WINEPREFIX"
    make_prefix
  fi
  start_x
  # One server for the whole session, which end_session stops: otherwise each of the many short
  # Wine commands below would start Wine's services anew.
  "$wineserver" -p </dev/null >/dev/null 2>&1 || fail "wineserver -p did not start a server"
  wine_quiet() { timeout 60 "$wine" "$@" </dev/null >"$work/wine.out" 2>&1; }
  # True while the record exists, whose values are then in $work/record.
  record() {
    timeout 60 "$wine" reg query "$key" </dev/null >"$work/record.raw" 2>&1 || return 1
    tr -d '\r' <"$work/record.raw" >"$work/record"
  }
  ! record || fail "the prefix has an Uninstall record for Kestrane before the setup ran"
  # check_menu TEXT COMMAND: the right-click entries of folders and of a folder's background
  # show TEXT and run COMMAND; "absent" for a key that must not be there.
  check_menu() {
    for menu_key in 'HKCU\Software\Classes\Directory\shell\Kestrane' \
      'HKCU\Software\Classes\Directory\Background\shell\Kestrane'; do
      for sub in "" '\command'; do
        have=absent
        if timeout 60 "$wine" reg query "$menu_key$sub" /ve </dev/null >"$work/menu.raw" 2>&1; then
          have=$(tr -d '\r' <"$work/menu.raw" | sed -n 's/^ *(Default) *REG_SZ *//p')
        fi
        if [ -z "$sub" ]; then want=$1; else want=$2; fi
        [ "$have" = "$want" ] || fail "$menu_key$sub is '$have', not '$want'"
      done
    done
  }

  started=$(date +%s)
  wine_quiet "$setup_exe" /S || fail "setup /S failed: $(cat "$work/wine.out")"
  echo "setup /S took $(($(date +%s) - started)) s"

  # The files: those staged for the setup, byte for byte, and the uninstaller; nothing else.
  (cd "$files" && ls -A && echo Uninstall.exe) | LC_ALL=C sort >"$work/want"
  (cd "$dir" 2>/dev/null && ls -A) | LC_ALL=C sort >"$work/have"
  diff "$work/want" "$work/have" >&2 || fail "the installed files differ from the expected (above)"
  for f in "$files"/*; do
    cmp -s "$f" "$dir/${f##*/}" || fail "installed ${f##*/} differs from the one staged"
  done

  # Each shortcut: target, arguments and icon as the shell reads them.
  check_link() {
    [ -f "$1" ] || fail "no shortcut $1"
    timeout 60 "$wine" "$probe" "$(winpath "$1")" </dev/null >"$work/link.raw" 2>"$work/link.err" ||
      fail "cannot read $1: $(cat "$work/link.err")"
    tr -d '\r' <"$work/link.raw" >"$work/link"
    printf '%s\n' "$win_dir\\Kestrane.exe" "$2" "$win_dir\\Kestrane.exe" 0 >"$work/want"
    diff "$work/want" "$work/link" >&2 || fail "$1 holds other than expected (above)"
  }
  check_link "$folder_link" ""
  check_link "$files_link" "/file"

  # The Uninstall record, as Windows' list of programs reads it.
  record || fail "no Uninstall record: $(cat "$work/record.raw")"
  for pair in "DisplayName=Kestrane" "DisplayVersion=$version" "Publisher=$publisher" \
    "DisplayIcon=$win_dir\\Kestrane.exe,0" "InstallLocation=$win_dir" \
    "UninstallString=\"$win_dir\\Uninstall.exe\"" \
    "QuietUninstallString=\"$win_dir\\Uninstall.exe\" /S"; do
    name=${pair%%=*}
    value=${pair#*=}
    have=$(sed -n "s/^ *$name  *REG_SZ  *//p" "$work/record")
    [ "$have" = "$value" ] || fail "record $name is '$have', not '$value': $(cat "$work/record")"
  done
  size=$(sed -n 's/^ *EstimatedSize  *REG_DWORD  *//p' "$work/record")
  [ -n "$size" ] && [ $((size)) -gt 0 ] || fail "record EstimatedSize is '$size'"
  check_menu "Convert subtitles with Kestrane..." "\"$win_dir\\Kestrane.exe\" \"%V\""

  # Each shortcut starts its mode: opened as the user's click would, through the shell.
  start_app "$wine" start /wait /unix "$folder_link"
  win=$(find_window "Browse to the starting folder:") || exit 1
  focus "$win"
  press Escape
  wait_exit 0
  start_app "$wine" start /wait /unix "$files_link"
  win=$(find_window Open) || exit 1
  focus "$win"
  press Escape
  wait_exit 0

  # The setup again, silently with a frame rate: an unknown one changes nothing, and /FPS=25 makes
  # both entries pass it (what Kestrane does with it, the fps case shows).
  ! wine_quiet "$setup_exe" /S /FPS=26 || fail "setup /S /FPS=26 succeeded"
  check_link "$folder_link" ""
  wine_quiet "$setup_exe" /S /FPS=25 || fail "setup /S /FPS=25 failed: $(cat "$work/wine.out")"
  check_link "$folder_link" "/fps:25"
  check_link "$files_link" "/file /fps:25"
  # The rate before the folder, which may end in a backslash (see explorer-line).
  check_menu "Convert subtitles with Kestrane..." "\"$win_dir\\Kestrane.exe\" /fps:25 \"%V\""
  # A timeline start Kestrane would refuse at the rate (frames past 25, a label drop-frame
  # skips) changes nothing; one it takes goes, with the tags' removal, into every entry after
  # the rate.
  ! wine_quiet "$setup_exe" /S /OFFSET=00:00:00:25 || fail "setup /S /OFFSET=00:00:00:25 succeeded"
  ! wine_quiet "$setup_exe" /S /FPS=29.97 /OFFSET=00:01:00:00 ||
    fail "setup /S /FPS=29.97 /OFFSET=00:01:00:00 succeeded"
  check_link "$files_link" "/file /fps:25"
  wine_quiet "$setup_exe" /S /OFFSET=01:00:00:00 /STRIPTAGS=1 /SOURCES=1 ||
    fail "setup /S /OFFSET= /STRIPTAGS= /SOURCES= failed: $(cat "$work/wine.out")"
  placed="/fps:25 /offset:01:00:00:00 /strip-tags /sources:srt,vtt"
  check_link "$folder_link" "$placed"
  check_link "$files_link" "/file $placed"
  check_menu "Convert subtitles with Kestrane..." "\"$win_dir\\Kestrane.exe\" $placed \"%V\""
  # Running it again without them keeps what was chosen last.
  wine_quiet "$setup_exe" /S || fail "setup /S again failed: $(cat "$work/wine.out")"
  check_link "$files_link" "/file $placed"
  # Its page, as a user meets it on running the setup again: the last choices are there
  # already. Down picks the next rate in the list, 29.97 drop-frame; Tab, Down the next timeline
  # start, 10:00:00:00; Tab, space clears the tags' box, and again the sources' box. Return
  # takes each page's default button: I Agree, Next, Install, then Next (after the install) and
  # Finish.
  start_app "$wine" "$setup_exe"
  win=$(find_window "Kestrane Setup ") || exit 1
  focus "$win"
  for keys in Return Return Down Tab Down Tab space Tab space Return; do
    press $keys
    sleep 1
  done
  i=0
  until timeout 60 "$wine" "$probe" "$(winpath "$folder_link")" </dev/null 2>/dev/null |
    tr -d '\r' | grep -qx '/fps:29.97 /offset:10:00:00:00'; do
    i=$((i + 1))
    [ $i -lt 30 ] || fail "the setup's page did not set 29.97 from 10:00:00:00 within 30 s"
    sleep 1
  done
  press Return
  wait_exit 0
  check_link "$folder_link" "/fps:29.97 /offset:10:00:00:00"
  check_link "$files_link" "/file /fps:29.97 /offset:10:00:00:00"
  # And /FPS=classic /OFFSET= go back to the classic frame from zero.
  wine_quiet "$setup_exe" /S /FPS=classic /OFFSET= ||
    fail "setup /S /FPS=classic /OFFSET= failed: $(cat "$work/wine.out")"
  check_link "$folder_link" ""
  check_link "$files_link" "/file"

  # Kestrane still running holds its program file: a silent uninstall gives up on it after a
  # few seconds, and keeps its uninstaller, record and entries for a later run.
  start_app "$wine" "$dir/Kestrane.exe"
  win=$(find_window "Browse to the starting folder:") || exit 1
  wine_quiet "$dir/Uninstall.exe" /S || fail "Uninstall.exe /S failed: $(cat "$work/wine.out")"
  i=0
  while [ -e "$dir/README.txt" ]; do
    i=$((i + 1))
    [ $i -lt 60 ] || fail "after 60 s the uninstaller has not removed README.txt"
    sleep 1
  done
  sleep 8
  [ -e "$dir/Kestrane.exe" ] || fail "the running Kestrane.exe was removed (Wine allows it?)"
  [ -e "$dir/Uninstall.exe" ] && record || fail "with Kestrane.exe left, the uninstaller or its record went"
  check_menu "Convert subtitles with Kestrane..." "\"$win_dir\\Kestrane.exe\" \"%V\""
  # Wine has been seen to give the picker a new X window meanwhile.
  win=$(find_window "Browse to the starting folder:") || exit 1
  focus "$win"
  press Escape
  wait_exit 0

  # The uninstaller runs from a copy of itself and returns at once: wait for its work to show.
  echo "notes of the user's" >"$dir/notes.txt"
  wine_quiet "$dir/Uninstall.exe" /S || fail "Uninstall.exe /S failed: $(cat "$work/wine.out")"
  i=0
  while [ -e "$dir/Uninstall.exe" ] || [ -e "$folder_link" ] || [ -e "$files_link" ] ||
    record || timeout 60 "$wine" reg query 'HKCU\Software\Kestrane' </dev/null >/dev/null 2>&1; do
    i=$((i + 1))
    [ $i -lt 60 ] || fail "after 60 s the uninstaller has left: $(ls -A "$dir" "$menu" 2>&1)" \
      "$(cat "$work/record")"
    sleep 1
  done
  [ "$(ls -A "$dir")" = notes.txt ] || fail "the uninstaller left or removed: $(ls -A "$dir")"
  check_menu absent absent
  rm -rf "$dir"

  # An upgrade goes where the installed copy is, not to the default folder.
  elsewhere="$WINEPREFIX/drive_c/kestrane-elsewhere-$$"
  also_remove=$elsewhere
  wine_quiet "$setup_exe" /S "/D=C:\\kestrane-elsewhere-$$" ||
    fail "setup /S /D= failed: $(cat "$work/wine.out")"
  [ -f "$elsewhere/Kestrane.exe" ] || fail "setup /D= did not install into the folder given"
  wine_quiet "$setup_exe" /S || fail "the second setup /S failed: $(cat "$work/wine.out")"
  [ ! -e "$dir" ] || fail "the upgrade installed a second copy in $dir: $(ls -A "$dir")"
  cmp -s "$files/Kestrane.exe" "$elsewhere/Kestrane.exe" || fail "the upgrade left $elsewhere"
  wine_quiet "$elsewhere/Uninstall.exe" /S || fail "Uninstall.exe /S failed: $(cat "$work/wine.out")"
  i=0
  while record; do
    i=$((i + 1))
    [ $i -lt 60 ] || fail "after 60 s the uninstaller has left its record"
    sleep 1
  done
  [ ! -e "$elsewhere" ] || fail "the uninstaller left: $(ls -A "$elsewhere")"
  ;;
*)
  fail "unknown case $case_name"
  ;;
esac
echo "PASS: $case_name"

#!/bin/sh
# Drives the GTK build of Kestrane through its real dialogs on a private X server.
# Usage: gui_test_gtk.sh KESTRANE CASE [PROBE], CASE being folder, start-folder, file, fps,
# sources, cancel, no-display, or picker (which drives PROBE, dir_dialog_probe).
program=$1
case_name=$2
probe=${3:-}
. "$(dirname "$0")/gui_test_lib.sh"

# GTK keeps settings and recently used files in the home folder: give it a throwaway one.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local"
export XDG_CACHE_HOME="$work/home/.cache" GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
mkdir -p "$HOME"
subs="$work/subs"

# Types a path into the chooser's location bar. GTK completes a unique name inline and selects
# the completion; Delete drops it, so that Return takes the path as typed.
choose_path() {
  focus "$1"
  press ctrl+l
  sleep 0.3
  type_text "$2"
  sleep 0.5
  press Delete Return
}
choose() { choose_path "$@"; }

case $case_name in
folder)
  write_subtitles "$subs/a.txt" "$subs/season 1/b.TXT" "$subs/season 1/deeper/c.txt" \
    "$work/outside.txt"
  start_x
  start_app "$program"
  win=$(find_window "Browse to the starting folder:") || exit 1
  choose_path "$win" "$subs"
  wait_exit 0
  expect_converted "$subs/a.txt" "$subs/season 1/b.TXT" "$subs/season 1/deeper/c.txt"
  expect_untouched "$work/outside.txt"
  ;;
start-folder)
  # As a file manager's Open With starts it: the folder is chosen already, and OK converts it.
  write_subtitles "$subs/a.txt" "$subs/season 1/b.txt" "$subs/season 1/deeper/c.txt"
  start_x
  start_app "$program" "$subs/season 1"
  win=$(find_window "Browse to the starting folder:") || exit 1
  sleep 1
  expect_untouched "$subs/season 1/b.txt"
  focus "$win"
  press alt+o
  wait_exit 0
  expect_converted "$subs/season 1/b.txt" "$subs/season 1/deeper/c.txt"
  expect_untouched "$subs/a.txt"
  ;;
file)
  write_subtitles "$subs/a.txt" "$subs/more/b.txt" "$subs/c.txt"
  start_x
  start_app "$program" /FILE
  first=$(find_window Open) || exit 1
  choose_path "$first" "$subs/a.txt"
  wait_file "$subs/a.txt_original"
  second=$(find_window Open "$first") || exit 1
  expect_untouched "$subs/more/b.txt"
  choose_path "$second" "$subs/more/b.txt"
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
  refuse_rate "$program" /file /fps:26
  expect_untouched "$subs/a.txt" "$subs/b.txt"
  # A known one, in any letter case.
  convert_one "$subs/a.txt" "$program" /FILE /FPS:25
  expect_at_25_fps "$subs/a.txt"
  expect_untouched "$subs/b.txt"
  # An offset that is no timecode at the rate: the same message box, nothing converted.
  refuse_rate "$program" /file /fps:25 /offset:00:00:00:25
  expect_untouched "$subs/b.txt"
  # One that is, read at the rate wherever it stands, and the tags' removal.
  convert_one "$subs/b.txt" "$program" /file /OFFSET:01:00:00:00 /strip-tags /fps:25
  expect_at_25_fps_from 01 "$subs/b.txt"
  ;;
sources)
  # The open-file dialog offers .srt and .vtt files in any letter case: in a folder holding
  # nothing else, the first file listed is the one Down and Return take, and its list is
  # written beside it, the source left as it was. A folder walk takes sources with /sources:.
  mkdir -p "$subs/vtt"
  printf 'WEBVTT\n\n00:01.000 --> 00:02.500\nHello there\n' >"$subs/vtt/b.vtt"
  cp "$subs/vtt/b.vtt" "$work/b.vtt"
  write_subtitles "$subs/srt/a.SRT" "$subs/walk/c.srt"
  start_x
  for source in "$subs/srt/a.SRT" "$subs/vtt/b.vtt"; do
    # The dialog opens in the current folder.
    cd "$(dirname "$source")"
    start_app "$program" /file
    first=$(find_window Open) || exit 1
    focus "$first"
    press Down Return
    wait_file "${source%.*}.txt"
    cancel_next "$first"
  done
  cd "$work"
  start_app "$program" "$subs/walk" /sources:srt,vtt
  win=$(find_window "Browse to the starting folder:") || exit 1
  focus "$win"
  press alt+o
  wait_exit 0
  expect_listed_beside "$subs/srt/a.SRT" "$subs/vtt/b.vtt" "$subs/walk/c.srt"
  expect_untouched "$subs/srt/a.SRT" "$subs/walk/c.srt"
  cmp -s "$work/b.vtt" "$subs/vtt/b.vtt" || fail "b.vtt was changed"
  ;;
cancel)
  write_subtitles "$subs/a.txt" "$subs/deeper/b.txt"
  start_x
  for mode in "" /file; do
    start_app "$program" $mode
    if [ -z "$mode" ]; then title="Browse to the starting folder:"; else title=Open; fi
    win=$(find_window "$title") || exit 1
    focus "$win"
    press Escape
    wait_exit 0
  done
  expect_untouched "$subs/a.txt" "$subs/deeper/b.txt"
  ;;
picker)
  mkdir -p "$subs/season" "$subs/locked"
  start_x
  # pick TITLE KEYS ARGS...: shows the probe's picker, presses KEYS, and prints its answer.
  pick() {
    title=$1 keys=$2
    shift 2
    app_pid= app_out="$work/answer"
    "$probe" "$@" >"$app_out" 2>&1 &
    app_pid=$!
    win=$(find_window "$title") || exit 1
    focus "$win"
    press $keys
    # Whether OK was taken shows in the window, not the process: under the sanitizers a probe
    # spends seconds on its leak check after the picker has closed.
    i=0
    while xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | grep -qx "$win"; do
      i=$((i + 1))
      if [ $i -ge 25 ]; then
        echo "still open" >>"$work/refused"
        press Escape
        break
      fi
      sleep 0.2
    done
    wait_exit 0
    cat "$work/answer"
  }
  # alt+o is the OK button.
  [ "$(pick Pick alt+o --caption Pick --start "$subs/season/ 	")" = "chosen $subs/season" ] ||
    fail "a start selection with a trailing separator and blanks: $(cat "$work/answer")"
  [ "$(pick Pick alt+o --caption Pick --root "$subs")" = "chosen $subs" ] ||
    fail "the root as the starting folder: $(cat "$work/answer")"
  [ "$(pick "Browse for Folder" alt+o)" = "chosen $HOME" ] ||
    fail "no caption, root or start selection: $(cat "$work/answer")"
  [ ! -e "$work/refused" ] || fail "OK did not close a picker"
  [ "$(pick Pick alt+o --caption Pick --root "$subs/locked" --veto locked --status)" = none ] ||
    fail "OK was not refused for a folder OnSelChange vetoes: $(cat "$work/answer")"
  [ -e "$work/refused" ] || fail "OK closed the picker on a vetoed folder"
  ;;
no-display)
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY "$program" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" -ne 0 ] || fail "without a display the program ended with 0"
  [ ! -s "$work/out" ] || fail "it wrote to standard output: $(cat "$work/out")"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "not one line on standard error: $(cat "$work/err")"
  ;;
*)
  fail "unknown case $case_name"
  ;;
esac
echo "PASS: $case_name"

# Shared by the GUI tests, sourced: a private X server, bounded waits, sample subtitles and the
# checks on them. Every wait has a limit and every failure says what was awaited.
set -eu

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# CTest counts exit code 77 as skipped (SKIP_RETURN_CODE).
skip() {
  echo "SKIP: $*"
  exit 77
}

for tool in Xvfb xdotool; do
  command -v $tool >/dev/null 2>&1 || skip "$tool is not installed (scripts/install-deps.sh)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrane-gui.XXXXXX")
xvfb_pid=
app_pid=
also_remove=  # a folder a test made outside $work
cleanup() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work" ${also_remove:+"$also_remove"}
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Starts Xvfb on a display nobody uses (it picks one itself) and points DISPLAY at it.
# 1024x768 is also the screen a display-less Wine desktop reports, so both agree on the centre.
# Without -noreset the server starts over whenever its last client leaves, and a program
# connecting just then is refused: one program after another would fail now and then.
start_x() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  i=0
  until [ -s "$work/display" ]; do
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    i=$((i + 1))
    [ $i -lt 100 ] || fail "Xvfb did not report its display within 10 s"
    sleep 0.1
  done
  DISPLAY=:$(tr -d '\n' <"$work/display")
  export DISPLAY
}

# Where the program under test writes, for the failures to show.
app_out="$work/app.out"
# Starts the program under test in the background: start_app COMMAND...
start_app() {
  "$@" </dev/null >"$app_out" 2>&1 &
  app_pid=$!
}

# Prints the id of a visible window titled exactly $1, other than the window $2, waiting up to
# 60 s (a loaded machine has been seen to take over 30 s for a dialog's first showing). Fails
# early when the program ends meanwhile. Use as: win=$(find_window ...) || exit 1
find_window() {
  i=0
  while [ $i -lt 300 ]; do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      if [ "$id" != "${2:-}" ]; then
        echo "$id"
        return 0
      fi
    done
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before showing '$1': $(cat "$app_out")"
    i=$((i + 1))
    sleep 0.2
  done
  shown=$(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ',' || true)
  # Where the program waits, to tell a hang from a slow start.
  state=$(awk '/^State:/ { print $2 $3 }' "/proc/$app_pid/status" 2>/dev/null || true)
  wchan=$(cat "/proc/$app_pid/wchan" 2>/dev/null || true)
  fail "no window '$1' within 60 s; windows shown: ${shown:-none}; program state ${state:-?}," \
    "waiting in ${wchan:-?}; its output: $(cat "$app_out")"
}

# Gives a window the keyboard: there is no window manager to do it, and keys sent before are lost.
focus() {
  xdotool windowfocus --sync "$1" || fail "could not focus window $1"
  sleep 0.4
}
type_text() { xdotool type --delay 40 "$1"; }
press() { xdotool key "$@"; }

# Waits up to 30 s for the program to end; fails when it does not, or ends with another code
# than $1.
wait_exit() {
  i=0
  while kill -0 "$app_pid" 2>/dev/null; do
    i=$((i + 1))
    [ $i -lt 150 ] || fail "the program did not end within 30 s"
    sleep 0.2
  done
  status=0
  wait "$app_pid" || status=$?
  app_pid=
  [ "$status" -eq "$1" ] || fail "the program ended with $status, not $1: $(cat "$app_out")"
}

# Waits up to 30 s for a file to appear.
wait_file() {
  i=0
  until [ -e "$1" ]; do
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended without making $1: $(cat "$app_out")"
    i=$((i + 1))
    [ $i -lt 150 ] || fail "$1 did not appear within 30 s"
    sleep 0.2
  done
}

subtitle='1\r\n00:00:01,000 --> 00:00:02,500\r\nHello there\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,040\r\nGeneral Kenobi\r\n\r\n'

# Writes the sample subtitle to each file named, creating folders.
write_subtitles() {
  for f in "$@"; do
    mkdir -p "$(dirname "$f")"
    printf "$subtitle" >"$f"
  done
}

# Converted: the original bytes are in the backup, and the file now starts with a UTF-8 BOM.
expect_converted() {
  for f in "$@"; do
    printf "$subtitle" | cmp -s - "${f}_original" || fail "$f: no backup with the original bytes"
    [ "$(head -c 3 "$f" | od -An -tx1 | tr -d ' \n')" = efbbbf ] || fail "$f was not converted"
  done
}

# Starts the program as "$@" with a rate it does not know: it must show its message box, and end
# once that is closed.
refuse_rate() {
  start_app "$@"
  win=$(find_window Kestrane) || exit 1
  focus "$win"
  press Return
  wait_exit 0
}

# convert_one FILE COMMAND...: starts the program in its open-file mode, chooses FILE in the first
# dialog with the driver's own `choose WINDOW PATH`, cancels the next, and waits for the end.
convert_one() {
  file=$1
  shift
  start_app "$@"
  first=$(find_window Open) || exit 1
  choose "$first" "$file"
  wait_file "${file}_original"
  cancel_next "$first"
}
# cancel_next FIRST: cancels the open-file dialog shown after the window FIRST, and waits for the
# program to end.
cancel_next() {
  next=$(find_window Open "$1") || exit 1
  focus "$next"
  press Escape
  wait_exit 0
}

# Converted at 25 fps: the sample's list with the timecodes computed at that rate.
expect_at_25_fps() {
  expect_at_25_fps_from 00 "$@"
}
# The same on a timeline that starts at HOURS (two digits) hours.
expect_at_25_fps_from() {
  hours=$1
  shift
  for f in "$@"; do
    expect_converted "$f"
    printf '\357\273\2771 %s;00;01;00 %s;00;02;12 Hello there \r\n2 %s;00;03;00 %s;00;04;01 General Kenobi \r\n' \
      "$hours" "$hours" "$hours" "$hours" |
      cmp -s - "$f" || fail "$f was not converted at 25 fps from $hours h: $(od -c "$f" | head -5)"
  done
}

# A source converted beside it: name.txt starts with the sample's first cue at the classic frame.
expect_listed_beside() {
  want=$(printf '\357\273\2771 00;00;01;00 00;00;02;15 Hello there ')
  for f in "$@"; do
    [ "$(head -n 1 "${f%.*}.txt" 2>&1 | tr -d '\r')" = "$want" ] ||
      fail "$f: no list beside it: $(head -c 60 "${f%.*}.txt" 2>&1 | od -c | head -3)"
  done
}

# Untouched: the sample bytes still there, and no backup beside it.
expect_untouched() {
  for f in "$@"; do
    printf "$subtitle" | cmp -s - "$f" || fail "$f was changed"
    [ ! -e "${f}_original" ] || fail "$f got a backup"
  done
}

#!/bin/sh
# Runs the Windows test programs under Wine for CTest (see cmake/Testing.cmake).
#   wine-server.sh start|stop WINE64 WINESERVER
#   wine-server.sh run WINE64 WINESERVER PROGRAM [ARGS...]
# with WINEPREFIX and HOME set. Every Wine process that could outlive its command (the server,
# services.exe, winedevice.exe, ...) is kept away from CTest's output pipe: CTest waits for that
# pipe to close, so a Wine helper holding it hangs the whole run.
set -u
action=$1 wine=$2 server=$3
shift 3
# Below CTest's own limit, so that a stuck program is reported with its output.
limit=${KESTRANE_WINE_TIMEOUT:-240}

case $action in
start)
  mkdir -p "$HOME" "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (once, about 10 s)"
    timeout "$limit" "$wine" wineboot -i </dev/null >/dev/null 2>&1
    timeout 60 "$server" -w </dev/null >/dev/null 2>&1
  fi
  [ -f "$WINEPREFIX/system.reg" ] || { echo "the Wine prefix was not created" >&2; exit 1; }
  # A persistent server, with Wine's services started once: without them every test would
  # start them and then wait about 2.5 s for them to shut down. A server still running from an
  # interrupted run refuses to start a second one, which is fine.
  "$server" -p </dev/null >/dev/null 2>&1 || echo "a wineserver for this prefix runs already"
  timeout "$limit" "$wine" cmd /c exit </dev/null >/dev/null 2>&1 ||
    { echo "Wine does not start programs in $WINEPREFIX" >&2; exit 1; }
  # Until Wine's mount manager answers, a volume's serial number, and so every file's identity,
  # reads as 0: the first tests would see files without one. Wait for it, a few seconds at most.
  for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
    serial=$(timeout 30 "$wine" cmd /c vol Z: </dev/null 2>/dev/null | tr -d '\r' |
      sed -n 's/.*Serial Number is //p')
    [ -n "$serial" ] && [ "$serial" != "0000-0000" ] && break
    sleep 0.5
  done
  ;;
stop)
  "$server" -k </dev/null >/dev/null 2>&1
  exit 0
  ;;
run)
  # The output goes through files, so no Wine process ever holds the pipes of CTest or of a
  # test script's execute_process; standard output and error stay apart.
  out=$(mktemp "${TMPDIR:-/tmp}/kestrane-wine.XXXXXX") || exit 1
  err=$(mktemp "${TMPDIR:-/tmp}/kestrane-wine.XXXXXX") || exit 1
  timeout "$limit" "$wine" "$@" >"$out" 2>"$err"
  status=$?
  cat "$out"
  cat "$err" >&2
  rm -f "$out" "$err"
  [ "$status" -eq 124 ] && echo "$1 was stopped after $limit s" >&2
  exit "$status"
  ;;
*)
  echo "usage: $0 start|stop|run WINE64 WINESERVER [PROGRAM ARGS...]" >&2
  exit 2
  ;;
esac

#!/bin/sh
# Starts or stops the wineserver that the Windows tests share (see cmake/Testing.cmake).
# Usage: wine-server.sh start|stop WINE64 WINESERVER, with WINEPREFIX and HOME set.
set -eu
action=$1 wine=$2 server=$3
case $action in
start)
  mkdir -p "$HOME"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (once, about 10 s)"
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
    "$server" -w
  fi
  # Every descriptor away from CTest's pipe, or CTest waits for the server forever.
  "$server" -p </dev/null >/dev/null 2>&1
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1
  [ -f "$WINEPREFIX/system.reg" ] || { echo "Wine prefix was not created" >&2; exit 1; }
  ;;
stop)
  "$server" -k </dev/null >/dev/null 2>&1 || true
  ;;
esac

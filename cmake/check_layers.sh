#!/bin/sh
# The layers of the sources, read without compiling: platform <- convert <- walk <- app, cli.
# A file includes no header of a layer above its own, production code nothing of testing/, and
# no production file (neither a test nor a test double) passes 500 lines.
#
#   check_layers.sh SRC_DIR [--allow-long FILE]...
#
# FILE (relative to SRC_DIR) may pass the limit for now; once it no longer does, or is gone, the
# check fails until the allowance goes too. Prints every breach; exits 1 on any, 2 on misuse.
set -u

usage() {
  echo "usage: check_layers.sh SRC_DIR [--allow-long FILE]..." >&2
  exit 2
}

if [ $# -lt 1 ] || [ ! -d "$1" ]; then usage; fi
src=$1
shift
allowed=""
while [ $# -gt 0 ]; do
  if [ "$1" != --allow-long ] || [ $# -lt 2 ]; then usage; fi
  allowed="$allowed $2"
  shift 2
done

limit=500
breaches=0
breach() {
  echo "$1"
  breaches=$((breaches + 1))
}

# The layers a layer's files may not include, by folder.
above() {
  case $1 in
    platform) echo "convert|walk|app|cli" ;;
    convert) echo "walk|app|cli" ;;
    walk) echo "app|cli" ;;
    app | cli) echo "" ;;
  esac
}

is_test() {
  case $1 in
    *_test.cpp) return 0 ;;
    *) return 1 ;;
  esac
}

is_allowed() {
  for allowance in $allowed; do
    [ "$allowance" = "$1" ] && return 0
  done
  return 1
}

# Prints the #include lines of file $1 that name a header in one of the folders $2 (a|b|c).
includes_of() {
  grep -En "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($2)/" "$1"
}

for dir in "$src"/*/; do
  layer=$(basename "$dir")
  [ "$layer" = testing ] && continue
  case $layer in
    platform | convert | walk | app | cli) ;;
    *)
      breach "$layer/: a folder of no layer; place it among platform, convert, walk, app and cli"
      continue
      ;;
  esac
  forbidden_above=$(above "$layer")
  for file in $(find "$dir" -type f \( -name '*.h' -o -name '*.cpp' \) | sort); do
    name=${file#"$src"/}
    forbidden=$forbidden_above
    if ! is_test "$file"; then
      forbidden=${forbidden:+$forbidden|}testing
      lines=$(wc -l <"$file")
      if [ "$lines" -gt "$limit" ] && ! is_allowed "$name"; then
        breach "$name: $lines lines, over the limit of $limit for production code"
      fi
    fi
    [ -n "$forbidden" ] || continue
    includes_of "$file" "$forbidden" | while IFS= read -r line; do
      echo "$name:${line%%:*}: ${line#*:}: outside what $layer/ may include"
    done
    if includes_of "$file" "$forbidden" >/dev/null; then
      breaches=$((breaches + 1))
    fi
  done
done

for allowance in $allowed; do
  if [ ! -f "$src/$allowance" ]; then
    breach "$allowance: allowed to pass the limit but gone; drop its allowance"
  elif [ "$(wc -l <"$src/$allowance")" -le "$limit" ]; then
    breach "$allowance: within the limit now; drop its allowance"
  fi
done

if [ "$breaches" -ne 0 ]; then
  echo "$breaches file(s) break the layers or the length limit" >&2
  exit 1
fi
exit 0

#!/usr/bin/env bash
# Times two builds of kestrane-cli in turns over copies of the benchmark tree, and prints the
# medians and their ratio, so that a change is measured against the build before it in the same
# run (a slow spell of the machine then slows both alike):
#   bench/compare.sh OLD_CLI NEW_CLI [--place DIR] [--rounds N] [--restore] [--new-arg ARG]...
#                    [-- CLI ARGS...]
# DIR (default /dev/shm/kestrane-compare-PID) holds the copies; --restore times the undo of a tree
# converted once beforehand by NEW_CLI. Each --new-arg goes to NEW_CLI alone, so that one build
# can be timed with an option against itself without it:
#   bench/compare.sh CLI CLI --new-arg --offset --new-arg 01:00:00:00 --new-arg --strip-tags
set -euo pipefail
cd "$(dirname "$0")/.."
old=$(realpath "$1") new=$(realpath "$2"); shift 2
place=/dev/shm/kestrane-compare-$$ rounds=7 restore=0 new_args=()
while [ $# -gt 0 ]; do
  case $1 in
    --new-arg) new_args+=("$2"); shift 2 ;;
    --place) place=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --restore) restore=1; shift ;;
    --) shift; break ;;
    *) echo "compare.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
args=("$@")
[ $restore = 1 ] && args+=(--restore)

tree=build/bench/tree
[ -d "$tree" ] || { mkdir -p build/bench; python3 bench/gen_corpus.py tree "$tree"; }
mkdir -p "$place"
rm -rf "$place/source"
cp -a "$tree" "$place/source"
[ $restore = 1 ] && "$new" "${new_args[@]}" "$place/source" >/dev/null 2>&1

# one BINARY [ARG...]: the seconds one run of BINARY takes over a fresh copy of the source.
one() {
  rm -rf "$place/work"; cp -a "$place/source" "$place/work"; sync
  local t0; t0=$(date +%s.%N)
  "$@" "${args[@]}" "$place/work" >/dev/null 2>&1 || true
  echo "$(date +%s.%N) - $t0" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
old_times=() new_times=()
for _ in $(seq "$rounds"); do
  old_times+=("$(one "$old")")
  new_times+=("$(one "$new" "${new_args[@]}")")
done
old_median=$(printf '%s\n' "${old_times[@]}" | median)
new_median=$(printf '%s\n' "${new_times[@]}" | median)
printf 'old %.3f s, new %.3f s, new/old %.3f (medians of %d, %s)\n' "$old_median" "$new_median" \
  "$(echo "$new_median / $old_median" | bc -l)" "$rounds" "${args[*]:-default}${new_args[*]:+; new: ${new_args[*]}}"
rm -rf "$place"

#!/usr/bin/env bash
# Measures Kestrane where its users feel it and prints a Markdown report:
#   bench/run.sh [REPETITIONS]       (default 5; medians are reported)
# Corpora are generated deterministically under build/bench/. Nothing here is a test: the
# figures are for BENCHMARKS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-5}
out=build/bench

scripts/install-deps.sh python3-srt time bc
cmake --preset linux >/dev/null
cmake --build --preset linux --target kestrane-cli micro_bench >/dev/null
cli=$PWD/build/linux/kestrane-cli
py=/usr/bin/python3  # Debian's, where python3-srt lives

mkdir -p "$out"
[ -d "$out/tree" ] || { echo "generating the 10,000-file tree" >&2; $py bench/gen_corpus.py tree "$out/tree"; }
[ -f "$out/big/big.txt" ] || { echo "generating the 500 MB file" >&2; $py bench/gen_corpus.py big "$out/big/big.txt" 500; }

now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
fmt() { printf '%.3f' "$1"; }

# measure PLACE LABEL: the whole set of measurements with the work done below PLACE; prints
# one Markdown table.
measure() {
  local place=$1 label=$2
  mkdir -p "$place"
  # time_run DIR COMMAND...: copies the tree to DIR (untimed), then times COMMAND DIR.
  time_run() {
    local dir=$1; shift
    rm -rf "$dir"; cp -a "$out/tree" "$dir"; sync
    local t0; t0=$(now)
    "$@" "$dir" >/dev/null 2>&1
    echo "$(now) - $t0" | bc -l
  }
  time_copy() {
    rm -rf "$place/copy"; sync
    local t0; t0=$(now)
    cp -a "$out/tree" "$place/copy"
    echo "$(now) - $t0" | bc -l
  }

  echo "measuring the tree in $label, $reps repetitions" >&2
  local cp_times=() cli_times=() py_times=()
  for _ in $(seq "$reps"); do
    cp_times+=("$(time_copy)")
    cli_times+=("$(time_run "$place/work" "$cli" -q)")
  done
  # The Python script is slow; fewer repetitions keep the run short.
  for _ in $(seq "$pyreps"); do
    py_times+=("$(time_run "$place/work-py" $py bench/srt_convert.py)")
  done
  local cp_med cli_med py_med
  cp_med=$(printf '%s\n' "${cp_times[@]}" | median)
  cli_med=$(printf '%s\n' "${cli_times[@]}" | median)
  py_med=$(printf '%s\n' "${py_times[@]}" | median)
  rm -rf "$place/copy" "$place/work" "$place/work-py"

  echo "measuring the big file in $label" >&2
  local big_times=() big_rss=() bytes
  bytes=$(stat -c %s "$out/big/big.txt")
  for _ in $(seq "$reps"); do
    rm -rf "$place/bigwork"; mkdir -p "$place/bigwork"; cp "$out/big/big.txt" "$place/bigwork/"; sync
    local report wall
    report=$( { /usr/bin/time -v "$cli" -q "$place/bigwork/big.txt" >/dev/null; } 2>&1 )
    wall=$(echo "$report" | awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' |
           awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
    big_times+=("$wall")
    big_rss+=("$(echo "$report" | awk -F': ' '/Maximum resident set size/ { print $2 }')")
  done
  rm -rf "$place/bigwork"
  local big_med rss_max
  big_med=$(printf '%s\n' "${big_times[@]}" | median)
  rss_max=$(printf '%s\n' "${big_rss[@]}" | sort -n | tail -1)

  cat <<TABLE
### $label ($(df -T "$place" | awk 'NR == 2 { print $2 }'))

| measure | result | target |
|---|---|---|
| 10,000 files: \`cp -a\` (the floor) | $(fmt "$cp_med") s | |
| 10,000 files: \`kestrane-cli\` | $(fmt "$cli_med") s, $(fmt "$(echo "$cli_med / $cp_med" | bc -l)") × \`cp -a\` | at most 1.5 × |
| 10,000 files: Python with \`srt\` | $(fmt "$py_med") s, $(fmt "$(echo "$py_med / $cli_med" | bc -l)") × the time of \`kestrane-cli\` | at least 20 × |
| one $(( bytes / 1000000 )) MB file | $(fmt "$(echo "$bytes / 1000000 / $big_med" | bc -l)") MB/s ($(fmt "$big_med") s) | at least 200 MB/s |
| one $(( bytes / 1000000 )) MB file: peak resident memory | $(( rss_max / 1024 )) MB | under 16 MB |

TABLE
}

pyreps=$(( reps < 3 ? reps : 3 ))
echo "## Results"
echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(date -u +%Y-%m-%d)."
echo "Command: \`bench/run.sh $reps\` (medians of $reps runs; the Python script: of $pyreps). The"
echo "tree and the file are read from the page cache in every run."
echo
measure "$out" "On disk"
# Memory-backed, where the machine has it: the program's own speed, without the disk's.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/kestrane-bench.XXXXXX)
  measure "$shm" "In memory"
  rm -rf "$shm"
fi

echo "Micro-benchmarks (Google Benchmark, medians of 3):"
echo
echo '```'
build/linux/bench/micro_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_median|^Benchmark|^---'
echo '```'

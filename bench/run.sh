#!/usr/bin/env bash
# Measures Kestrane where its users feel it and prints a Markdown report:
#   bench/run.sh [REPETITIONS]       (default 5; medians are reported)
# Corpora are generated deterministically under build/bench/. Every figure is compared with its
# floor measured in the same run. Nothing here is a test: the figures are for BENCHMARKS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-5}
out=build/bench

scripts/install-deps.sh python3-srt time bc ffmpeg eatmydata strace
cmake --preset linux >/dev/null
cmake --build --preset linux --target kestrane-cli micro_bench >/dev/null
cli=$PWD/build/linux/kestrane-cli
py=/usr/bin/python3  # Debian's, where python3-srt lives
mkdir -p "$out"
shim=$PWD/$out/slow_sync.so
cc -O2 -shared -fPIC -o "$shim" bench/slow_sync.c -ldl
floor=$PWD/$out/floor
cc -O2 -pthread -o "$floor" bench/floor.c

[ -d "$out/tree" ] || { echo "generating the 10,000-file tree" >&2; $py bench/gen_corpus.py tree "$out/tree"; }
[ -f "$out/big/big.txt" ] || { echo "generating the 120 MB file" >&2; $py bench/gen_corpus.py big "$out/big/big.txt" 120; }
# The first 2,000 files (20 folders) of the tree.
if [ ! -d "$out/tree2000" ]; then
  mkdir -p "$out/tree2000"
  for d in $(ls "$out/tree" | sort | head -20); do cp -a "$out/tree/$d" "$out/tree2000/"; done
fi

# as_srt DIR: every name.txt below DIR renamed name.srt, as sources converted beside them.
as_srt() {
  $py -c 'import os, sys
for d, _, names in os.walk(sys.argv[1]):
    for n in names:
        if n.endswith(".txt"): os.rename(os.path.join(d, n), os.path.join(d, n[:-4] + ".srt"))' "$1"
}
[ -d "$out/tree_srt" ] || { cp -a "$out/tree" "$out/tree_srt"; as_srt "$out/tree_srt"; }

now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
fmt() { printf '%.3f' "$1"; }
ratio() { fmt "$(echo "$1 / $2" | bc -l)"; }
load() { cut -d' ' -f1 /proc/loadavg; }

# time_run SOURCE DIR COMMAND...: copies SOURCE to DIR (untimed), then times COMMAND DIR.
time_run() {
  local source=$1 dir=$2; shift 2
  rm -rf "$dir"; cp -a "$source" "$dir"; sync
  local t0; t0=$(now)
  "$@" "$dir" >/dev/null 2>&1
  echo "$(now) - $t0" | bc -l
}
# time_in DIR COMMAND...: times COMMAND DIR on DIR as it stands.
time_in() {
  local dir=$1; shift
  sync
  local t0; t0=$(now)
  "$@" "$dir" >/dev/null 2>&1
  echo "$(now) - $t0" | bc -l
}
# time_copy SOURCE DIR: cp -a of SOURCE to DIR.
time_copy() {
  rm -rf "$2"; sync
  local t0; t0=$(now)
  cp -a "$1" "$2"
  echo "$(now) - $t0" | bc -l
}
# medians NAME COMMAND...: runs COMMAND $reps times and sets NAME to the median.
medians() {
  local name=$1; shift
  local times=()
  for _ in $(seq "$reps"); do times+=("$("$@")"); done
  printf -v "$name" '%s' "$(printf '%s\n' "${times[@]}" | median)"
}

# tree PLACE LABEL: the 10,000-file tree below PLACE.
tree() {
  local place=$1 label=$2
  mkdir -p "$place"
  echo "measuring the tree $label" >&2
  # Copied from and converted in the same file system.
  local source=$out/tree
  [ "$place" = "$out" ] || { source=$place/tree; cp -a "$out/tree" "$source"; }
  local load0; load0=$(load)
  local cp_med floor_med checks_med floor_j_med checks_j_med cli_med fps_med one_med eat_med
  medians cp_med time_copy "$source" "$place/copy"
  rm -rf "$place/copy"
  # The conversions in turns, one run of each per round: this machine's speed drifts over
  # minutes, and a slow spell then slows every row alike instead of the one being measured. Each
  # run follows the same removal and copy, since on ext4 what was removed just before is part of
  # the cost of creating files.
  local -A runs=()
  local -a order=(floor checks floor_j checks_j cli fps one eat)
  for _ in $(seq "$reps"); do
    runs[floor]+=" $(time_run "$source" "$place/work" "$floor")"
    runs[checks]+=" $(time_run "$source" "$place/work" "$floor" -c)"
    runs[floor_j]+=" $(time_run "$source" "$place/work" "$floor" -j "$(nproc)")"
    runs[checks_j]+=" $(time_run "$source" "$place/work" "$floor" -c -j "$(nproc)")"
    runs[cli]+=" $(time_run "$source" "$place/work" "$cli" -q)"
    runs[fps]+=" $(time_run "$source" "$place/work" "$cli" -q --fps 23.976)"
    runs[one]+=" $(time_run "$source" "$place/work" "$cli" -q -j 1)"
    runs[eat]+=" $(time_run "$source" "$place/work" eatmydata "$cli" -q)"
  done
  for name in "${order[@]}"; do
    # shellcheck disable=SC2086  # the times are words
    printf -v "${name}_med" '%s' "$(printf '%s\n' ${runs[$name]} | median)"
  done
  rm -rf "$place/copy" "$place/work"
  [ "$place" = "$out" ] || rm -rf "$source"
  cat <<TABLE
### 10,000 files, $label ($(df -T "$place" | awk 'NR == 2 { print $2 }'); load $load0 to $(load))

| measure | result | × the floor | × \`cp -a\` | target |
|---|---|---|---|---|
| \`cp -a\` | $(fmt "$cp_med") s | $(ratio "$cp_med" "$floor_med") | 1.000 | |
| the floor (\`bench/floor.c\`) | $(fmt "$floor_med") s | 1.000 | $(ratio "$floor_med" "$cp_med") | |
| the floor with Kestrane's checks (\`floor -c\`) | $(fmt "$checks_med") s | $(ratio "$checks_med" "$floor_med") | $(ratio "$checks_med" "$cp_med") | |
| the floor on $(nproc) threads (\`floor -j $(nproc)\`) | $(fmt "$floor_j_med") s | $(ratio "$floor_j_med" "$floor_med") | $(ratio "$floor_j_med" "$cp_med") | |
| the floor with the checks on $(nproc) threads (\`floor -c -j $(nproc)\`) | $(fmt "$checks_j_med") s | $(ratio "$checks_j_med" "$floor_med") | $(ratio "$checks_j_med" "$cp_med") | |
| \`kestrane-cli\` ($(nproc) workers) | $(fmt "$cli_med") s | $(ratio "$cli_med" "$floor_med") | $(ratio "$cli_med" "$cp_med") | at most $3 × the floor |
| \`kestrane-cli --fps 23.976\` | $(fmt "$fps_med") s | $(ratio "$fps_med" "$floor_med") | $(ratio "$fps_med" "$cp_med") | at most 1.05 × the default run: $(ratio "$fps_med" "$cli_med") × |
| \`kestrane-cli -j 1\` | $(fmt "$one_med") s | $(ratio "$one_med" "$floor_med") | $(ratio "$one_med" "$cp_med") | ${4:+at most $4 × the floor} |
| \`kestrane-cli\` under \`eatmydata\` (no sync does anything) | $(fmt "$eat_med") s | $(ratio "$eat_med" "$floor_med") | $(ratio "$eat_med" "$cp_med") | |

TABLE
}

# System calls a file, counted by strace over the first 1,000 files, the floor's beside ours.
syscalls() {
  echo "counting system calls" >&2
  local source=$out/tree1000
  if [ ! -d "$source" ]; then
    mkdir -p "$source"
    for d in $(ls "$out/tree" | sort | head -10); do cp -a "$out/tree/$d" "$source/"; done
  fi
  # count [--converted | --srt] COMMAND...: over a copy of the files, of their conversion, or of
  # the files named .srt.
  count() {
    rm -rf "$out/sys"; cp -a "$source" "$out/sys"
    if [ "$1" = --converted ]; then shift; "$cli" -q "$out/sys"; fi
    if [ "$1" = --srt ]; then shift; as_srt "$out/sys"; fi
    strace -f -c -o "$out/sys.strace" "$@" "$out/sys" >/dev/null 2>&1
    awk '$NF == "total" { printf "%.1f", $4 / 1000 }' "$out/sys.strace"
    rm -rf "$out/sys" "$out/sys.strace"
  }
  cat <<TABLE
### System calls a file (\`strace -f -c\`, 1,000 files, start-up included)

| program | calls a file | target |
|---|---|---|
| the floor | $(count "$floor") | |
| the floor with Kestrane's checks | $(count "$floor" -c) | |
| \`kestrane-cli -j 1\` | $(count "$cli" -q -j 1) | at most 14 |
| \`kestrane-cli\` | $(count "$cli" -q) | |
| \`kestrane-cli -j 1 --sources srt\` (the files named .srt, each list beside it) | $(count --srt "$cli" -q -j 1 --sources srt) | at most converting in place |
| \`kestrane-cli -j 1 --restore\` | $(count --converted "$cli" -q -j 1 --restore) | at most 4 more than converting |

TABLE
}

# beside PLACE LABEL: the tree as sources beside them (name.srt gives name.txt, --sources srt)
# against the same files converted in place, in turns, in the same file system.
beside() {
  local place=$1 label=$2
  mkdir -p "$place"
  echo "measuring sources beside, $label" >&2
  local txt=$out/tree srt=$out/tree_srt
  if [ "$place" != "$out" ]; then
    txt=$place/tree srt=$place/tree_srt
    cp -a "$out/tree" "$txt"; cp -a "$out/tree_srt" "$srt"
  fi
  local load0; load0=$(load)
  local -A runs=()
  for _ in $(seq "$reps"); do
    runs[in_place]+=" $(time_run "$txt" "$place/work" "$cli" -q)"
    runs[beside]+=" $(time_run "$srt" "$place/work" "$cli" -q --sources srt)"
  done
  local in_place_med beside_med
  # shellcheck disable=SC2086  # the times are words
  in_place_med=$(printf '%s\n' ${runs[in_place]} | median)
  # shellcheck disable=SC2086
  beside_med=$(printf '%s\n' ${runs[beside]} | median)
  rm -rf "$place/work"
  [ "$place" = "$out" ] || rm -rf "$txt" "$srt"
  cat <<TABLE
### 10,000 sources beside, $label ($(df -T "$place" | awk 'NR == 2 { print $2 }'); load $load0 to $(load))

| measure | result | target |
|---|---|---|
| \`kestrane-cli\`, the .txt files converted in place | $(fmt "$in_place_med") s | |
| \`kestrane-cli --sources srt\`, the same files named .srt, each list beside it | $(fmt "$beside_med") s, $(ratio "$beside_med" "$in_place_med") × in place | at most 1.05 × in place |

TABLE
}

# Every sync made to cost 8 ms, as on a desktop hard disk.
slow_syncs() {
  echo "measuring 2,000 files with slow syncs" >&2
  local load0; load0=$(load)
  local cli_med one_med undo_med
  medians cli_med time_run "$out/tree2000" "$out/work2000" env LD_PRELOAD="$shim" "$cli" -q
  medians one_med time_run "$out/tree2000" "$out/work2000" env LD_PRELOAD="$shim" "$cli" -q -j 1
  rm -rf "$out/converted2000"; cp -a "$out/tree2000" "$out/converted2000"
  "$cli" -q "$out/converted2000"
  medians undo_med time_run "$out/converted2000" "$out/work2000" env LD_PRELOAD="$shim" "$cli" -q --restore
  rm -rf "$out/work2000" "$out/converted2000"
  cat <<TABLE
### 2,000 files on disk, every sync costing 8 ms (\`bench/slow_sync.c\`; load $load0 to $(load))

| measure | result | target |
|---|---|---|
| \`kestrane-cli\` | $(fmt "$cli_med") s | at most 2 s |
| \`kestrane-cli -j 1\` | $(fmt "$one_med") s | |
| \`kestrane-cli --restore\` | $(fmt "$undo_med") s | at most 2 s |

TABLE
}

# restore PLACE LABEL: the undo of the 10,000-file tree below PLACE beside its conversion: a
# restore converts each backup again to prove the converted file is its own before it removes it.
# In turns: each round converts a fresh copy and then undoes that conversion, and the undo is
# compared with the conversion of its own round, so that a slow spell slows both.
restore() {
  local place=$1 label=$2
  echo "measuring a restore" >&2
  local load0; load0=$(load)
  local -a converts=() restores=() ratios=()
  local c r
  for _ in $(seq "$reps"); do
    c=$(time_run "$out/tree" "$place/work" "$cli" -q)
    r=$(time_in "$place/work" "$cli" -q --restore)
    converts+=("$c") restores+=("$r") ratios+=("$(echo "$r / $c" | bc -l)")
  done
  rm -rf "$place/work"
  local convert_med restore_med ratio_med
  convert_med=$(printf '%s\n' "${converts[@]}" | median)
  restore_med=$(printf '%s\n' "${restores[@]}" | median)
  ratio_med=$(printf '%s\n' "${ratios[@]}" | median)
  cat <<TABLE
### Undoing 10,000 files, $label (load $load0 to $(load))

| measure | result |
|---|---|
| \`kestrane-cli\` (converting) | $(fmt "$convert_med") s |
| \`kestrane-cli --restore\` | $(fmt "$restore_med") s, $(fmt "$ratio_med") × converting, median of the rounds (at most 1.2 in memory) |

TABLE
}

# time_big PLACE NAME COMMAND...: copies the big file to PLACE/NAME, runs COMMAND on it and
# prints "seconds peak-kilobytes".
time_big() {
  local place=$1 name=$2; shift 2
  rm -rf "$place"; mkdir -p "$place"; cp "$out/big/big.txt" "$place/$name"; sync
  /usr/bin/time -f '%e %M' -o "$place.time" "$@" "$place/$name" >/dev/null 2>&1
  tail -1 "$place.time"; rm -f "$place.time"
}
# The path comes last, as $0 of the shells; exec leaves the program alone in the process timed.
kestrane_big() { time_big "$1" x.txt "$cli" -q; }
ffmpeg_big() { time_big "$1" x.srt bash -c 'exec ffmpeg -nostdin -loglevel error -y -i "$0" "${0%.srt}.vtt"'; }
python_big() { time_big "$1" x.txt bash -c "exec $py bench/srt_convert.py \"\$(dirname \"\$0\")\""; }

big() {
  local place=$1
  echo "measuring the big file" >&2
  local load0; load0=$(load)
  local bytes; bytes=$(stat -c %s "$out/big/big.txt")
  declare -A sec mem
  for who in kestrane ffmpeg python; do
    local times=() peaks=()
    for _ in $(seq "$reps"); do
      read -r t m < <("${who}_big" "$place/big")
      times+=("$t"); peaks+=("$m")
    done
    sec[$who]=$(printf '%s\n' "${times[@]}" | median)
    mem[$who]=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -1)
  done
  rm -rf "$place/big"
  cat <<TABLE
### One $(( bytes / 1000000 )) MB file, $(grep -c -- '-->' "$out/big/big.txt") cues, in memory (load $load0 to $(load))

| program | time | peak memory | Kestrane is |
|---|---|---|---|
| \`kestrane-cli\` | $(fmt "${sec[kestrane]}") s | $(( mem[kestrane] / 1024 )) MB (target: at most 8 MB) | |
| \`ffmpeg -i x.srt x.vtt\` | $(fmt "${sec[ffmpeg]}") s | $(( mem[ffmpeg] / 1024 )) MB | $(ratio "${sec[ffmpeg]}" "${sec[kestrane]}") × faster (target: 30 ×) |
| Python with \`srt\` (\`bench/srt_convert.py\`) | $(fmt "${sec[python]}") s | $(( mem[python] / 1024 )) MB | $(ratio "${sec[python]}" "${sec[kestrane]}") × faster (target: 30 ×) |

TABLE
}

echo "## Results"
echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), Linux $(uname -r | cut -d- -f1); $(date -u '+%Y-%m-%d %H:%M UTC')."
echo "Command: \`bench/run.sh $reps\` (medians of $reps runs). The corpora are read from the page"
echo "cache in every run; \"load\" is the machine's one-minute load average before and after."
echo
tree "$out" "on disk" 1.15
shm=$(mktemp -d /dev/shm/kestrane-bench.XXXXXX)
tree "$shm" "in memory" 1.0 1.3
beside "$out" "on disk"
beside "$shm" "in memory"
syscalls
slow_syncs
restore "$out" "on disk"
restore "$shm" "in memory"
big "$shm"
rm -rf "$shm"

echo "Micro-benchmarks (Google Benchmark, medians of 3):"
echo
echo '```'
build/linux/bench/micro_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_median|^Benchmark|^---'
echo '```'

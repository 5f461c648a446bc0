#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a while (default 30 s each):
#   scripts/fuzz.sh [SECONDS]
# New inputs found go to build/fuzz/corpus/, never into the seed corpus in fuzz/corpus/.
# A failure leaves its input as build/fuzz/crash-* and exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
rm -f build/fuzz/crash-* build/fuzz/leak-* build/fuzz/timeout-* build/fuzz/oom-*

for target in cue_fuzzer file_fuzzer; do
  seeds=fuzz/corpus/${target%_fuzzer}
  work=build/fuzz/corpus/${target%_fuzzer}
  mkdir -p "$work"
  echo "== fuzzing $target for ${seconds}s"
  build/fuzz/$target -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/ "$work" "$seeds" 2>&1 |
    grep -E '^(stat::number_of_executed_units|==[0-9]+==|SUMMARY|Done)' || true
  # libFuzzer's exit status is lost in the pipe; a failure always leaves an artifact.
  artifacts=$(find build/fuzz -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o \
    -name 'timeout-*' -o -name 'oom-*' \))
  if [ -n "$artifacts" ]; then
    echo "fuzz: $target found a failing input:" $artifacts >&2
    exit 1
  fi
done

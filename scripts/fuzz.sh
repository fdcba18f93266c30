#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz/ with clang into build-fuzz/
# and runs each over its committed corpus, then fuzzes each for a few seconds.
#   scripts/fuzz.sh                  every harness, FUZZ_SECONDS (default 10) each
#   scripts/fuzz.sh ProfileFuzz 600  one harness for ten minutes
# New inputs found on the way go to build-fuzz/found/<harness>/, never into
# the committed corpus; a broken property leaves its input as crash-* in
# build-fuzz/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is not installed; skipping the fuzz harnesses"
  exit 0
fi
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
# One harness named: only it is built.
cmake --build build-fuzz --parallel "$(nproc)" ${1:+--target "$1"}

declare -A corpus=(
  [ProfileFuzz]=profile [CommandLineFuzz]=commandline [LineCutterFuzz]=linecutter
  [EncoderFrontFuzz]=encoderfront [MountInfoFuzz]=mountinfo [PngFuzz]=png
  [SourceReportFuzz]=sourcereport [DvdReplyFuzz]=dvdreply [LoudnessFuzz]=loudness
)
harnesses=("${!corpus[@]}")
seconds="${FUZZ_SECONDS:-10}"
if [ $# -ge 1 ]; then
  harnesses=("$1")
  seconds="${2:-$seconds}"
fi
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Runs one fuzzer command in build-fuzz/; its whole log is shown when it fails.
run() {
  local log="build-fuzz/$h.log"
  if ! (cd build-fuzz && "$@") >"$log" 2>&1; then
    cat "$log"
    echo "fuzz: $h FAILED (input saved as build-fuzz/crash-*)"
    exit 1
  fi
  grep -E '^(#|Done|INFO: Running|stat::)' "$log" | tail -n 1 || true
}
for h in "${harnesses[@]}"; do
  seeds="../tests/fuzz/corpus/${corpus[$h]}"
  extra=()
  # The decoder also starts from every picture the program ships.
  [ "$h" = PngFuzz ] && extra=(../assets/{ja,en}/{common,config,dvd,main} ../assets/icon)
  mkdir -p "build-fuzz/found/$h"
  echo "fuzz: $h over its corpus"
  run ./"$h" -runs=0 "$seeds" "${extra[@]}"
  echo "fuzz: $h for ${seconds}s"
  run ./"$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "found/$h" "$seeds" "${extra[@]}"
done

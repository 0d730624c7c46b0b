#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in build-fuzz/ and runs each for SECONDS
# (default 60). New inputs go to build-fuzz/corpus/<name>; crashes to build-fuzz/crashes/<name>.
# A crash worth keeping is copied into fuzz/corpus/<name>, so ./test.sh replays it from then on.
set -euo pipefail
cd "$(dirname "$0")"
seconds=${1:-60}
scripts/setup.sh
scripts/setup.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
targets=(receiver emulator logreader ddf settings)
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
printf '%-10s %12s %10s %8s\n' target exec/s inputs crashes
for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t crashes=build-fuzz/crashes/$t
  mkdir -p "$work" "$crashes"
  log=build-fuzz/$t.log
  build-fuzz/fuzz/fuzz_$t "$work" fuzz/corpus/$t -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$crashes/" -print_final_stats=1 >"$log" 2>&1 || true
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  inputs=$(find "$work" -type f | wc -l)
  found=$(find "$crashes" -type f | wc -l)
  printf '%-10s %12s %10s %8s\n' "$t" "$rate" "$inputs" "$found"
done

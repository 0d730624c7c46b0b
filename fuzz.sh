#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in build-fuzz/ and runs each for SECONDS
# (default 60), as many at once as there are cores (FUZZ_JOBS to change). New inputs go to
# build-fuzz/corpus/<name>; crashes to build-fuzz/crashes/<name>. Names after SECONDS pick
# targets; all of them by default.
#
#   ./fuzz.sh 600              fuzz every target for ten minutes
#   ./fuzz.sh --minimise       add to fuzz/corpus/<name> the inputs found that reach code
#                              its files do not (libFuzzer -merge=1); its files all stay
#
# A crash worth keeping is copied into fuzz/corpus/<name>, so ./test.sh replays it from then on.
set -euo pipefail
cd "$(dirname "$0")"
minimise=0
if [ "${1:-}" = "--minimise" ]; then
  minimise=1
  shift
  seconds=0
else
  seconds=${1:-60}
  [ $# -gt 0 ] && shift
fi
case "$seconds" in '' | *[!0-9]*) echo "usage: $0 [SECONDS | --minimise] [TARGET...]" >&2; exit 2 ;; esac
read -ra all <<<"$(sed -n 's/^set(_fuzz_targets \(.*\))$/\1/p' fuzz/CMakeLists.txt)"
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
for t in "${targets[@]}"; do
  [[ " ${all[*]} " == *" $t "* ]] || { echo "no fuzz target \"$t\" (have: ${all[*]})" >&2; exit 2; }
done

scripts/setup.sh
scripts/setup.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0

if [ $minimise -eq 1 ]; then
  for t in "${targets[@]}"; do
    # The named seeds and regression inputs stay; of the inputs found, only those that
    # reach something they do not are added.
    mkdir -p build-fuzz/corpus/$t
    before=$(find fuzz/corpus/$t -type f | wc -l)
    build-fuzz/fuzz/fuzz_$t -merge=1 fuzz/corpus/$t build-fuzz/corpus/$t >build-fuzz/$t.merge.log 2>&1
    echo "$t: $before inputs kept, $(( $(find fuzz/corpus/$t -type f | wc -l) - before )) added"
  done
  exit 0
fi

run() {
  local t=$1 work=build-fuzz/corpus/$1 crashes=build-fuzz/crashes/$1
  mkdir -p "$work" "$crashes"
  build-fuzz/fuzz/fuzz_$t "$work" fuzz/corpus/$t -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$crashes/" -print_final_stats=1 >"build-fuzz/$t.log" 2>&1 || true
}
jobs_max=${FUZZ_JOBS:-$(nproc)}
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
  run "$t" &
done
wait

printf '%-10s %12s %12s %10s %8s\n' target exec/s executions inputs crashes
for t in "${targets[@]}"; do
  log=build-fuzz/$t.log
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  inputs=$(find "build-fuzz/corpus/$t" -type f | wc -l)
  found=$(find "build-fuzz/crashes/$t" -type f | wc -l)
  printf '%-10s %12s %12s %10s %8s\n' "$t" "$rate" "$runs" "$inputs" "$found"
done

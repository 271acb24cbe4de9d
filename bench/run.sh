#!/usr/bin/env bash
# Builds the benchmarks (native, Release) and runs all four. Each generates its own data
# (fixed seed) under build/bench/data, prints the machine, the medians, the baseline, the
# ratio and PASS/MISS against its goal, and removes its data. Misses never fail the script.
#   bench/run.sh                       everything, 1 GiB text for bench_content
#   KEVU_BENCH_TEXT_MIB=256 bench/run.sh   a smaller text
#   KEVU_BENCH_ONLY="walk names" bench/run.sh   some benchmarks only
#   KEVU_BENCH_KEEP=1 bench/run.sh     bench_walk keeps its 500,000-file tree for the next run
# bench_walk's cold runs drop the page cache, which needs root; without it they are skipped.
set -uo pipefail
cd "$(dirname "$0")/.."
build=build/bench
data=$build/data
jobs=${KEVU_JOBS:-2}
text_mib=${KEVU_BENCH_TEXT_MIB:-1024}
only=${KEVU_BENCH_ONLY:-walk content names rows}

cmake --preset native -B "$build" -DCMAKE_BUILD_TYPE=Release -DKEVU_BUILD_TESTS=OFF >/dev/null &&
  cmake --build "$build" -j"$jobs" --target bench_walk bench_content bench_names bench_rows >/dev/null ||
  { echo "bench: build failed" >&2; exit 1; }
mkdir -p "$data"

for b in $only; do
  case "$b" in
    walk) "$build/bench/bench_walk" --data "$data" --files 500000 --runs 5 --cold-runs 3 --keep "${KEVU_BENCH_KEEP:-0}" ;;
    content) "$build/bench/bench_content" --data "$data" --size-mib "$text_mib" --ref-prefix-mib 64 --sparse-gib 8 --runs 3 ;;
    names) "$build/bench/bench_names" --names 1000000 --ref-names 100000 --runs 5 ;;
    rows) "$build/bench/bench_rows" --rows 1000000 --runs 3 ;;
    *) echo "bench: unknown benchmark $b" >&2 ;;
  esac
  echo
done
rmdir "$data" 2>/dev/null || true
exit 0

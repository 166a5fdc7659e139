#!/usr/bin/env bash
# Runs one libFuzzer target of the fuzz build:
#   scripts/fuzz.sh board|rules|placer [SECONDS] [extra libFuzzer options...]
#   scripts/fuzz.sh --check board|rules|placer
# The first form explores for SECONDS: the corpus grows in build-fuzz/corpus/NAME,
# seeded from tests/fuzz/corpus/NAME. The --check form is what the test script runs:
# every stored seed, then a fixed number of runs from a fixed seed in a fresh corpus,
# so that a commit gives the same result on every machine. Configures and builds
# build-fuzz (clang, AUTOPLACER_FUZZ=ON) when needed; crashes land in
# build-fuzz/artifacts/. Exits non-zero when the target found a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [[ "${1:-}" == "--check" ]]; then
  check=1
  shift
fi
name=${1:?usage: scripts/fuzz.sh board|rules|placer [SECONDS] [libFuzzer options] | --check board|rules|placer}
seconds=${2:-60}
shift $(($# >= 2 ? 2 : 1))
if [[ ! -f build-fuzz/build.ninja ]]; then
  CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DAUTOPLACER_FUZZ=ON -DAUTOPLACER_BUILD_TESTS=OFF -DAUTOPLACER_BUILD_BENCH=OFF
fi
cmake --build build-fuzz --target "fuzz_$name"
mkdir -p build-fuzz/artifacts
# The placer target reads boards too; each of its runs places a board twice, so its
# check makes fewer runs.
dict=$name
runs=60000
if [[ $name == placer ]]; then
  dict=board
  runs=500
fi
common=(-max_len=16384 -rss_limit_mb=2048 -print_final_stats=1 -dict="tests/fuzz/$dict.dict"
        -artifact_prefix=build-fuzz/artifacts/)
if [[ $check == 1 ]]; then
  # A slow shared machine must not turn a slow input into a failure: the time limit
  # per input is generous, and the run is bounded by its count, not by the clock.
  fresh=$(mktemp -d)
  trap 'rm -rf "$fresh"' EXIT
  "build-fuzz/bin/fuzz_$name" -runs=0 -timeout=120 "${common[@]}" "tests/fuzz/corpus/$name"
  nice -n 19 "build-fuzz/bin/fuzz_$name" -seed=1 -runs="$runs" -timeout=120 "${common[@]}" \
      "$fresh" "tests/fuzz/corpus/$name"
  exit 0
fi
mkdir -p "build-fuzz/corpus/$name"
exec nice -n 19 "build-fuzz/bin/fuzz_$name" -max_total_time="$seconds" -timeout=10 "${common[@]}" "$@" \
     "build-fuzz/corpus/$name" "tests/fuzz/corpus/$name"

#!/usr/bin/env bash
# Runs one libFuzzer target of the fuzz build for a while:
#   scripts/fuzz.sh board|rules [SECONDS] [extra libFuzzer options...]
# Configures and builds build-fuzz (clang, AUTOPLACER_FUZZ=ON) when needed. The corpus
# grows in build-fuzz/corpus/NAME, seeded from tests/fuzz/corpus/NAME; crashes land in
# build-fuzz/artifacts/. Exits non-zero when the target found a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:?usage: scripts/fuzz.sh board|rules [SECONDS] [libFuzzer options]}
seconds=${2:-60}
shift $(($# >= 2 ? 2 : 1))
if [[ ! -f build-fuzz/build.ninja ]]; then
  CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DAUTOPLACER_FUZZ=ON -DAUTOPLACER_BUILD_TESTS=OFF -DAUTOPLACER_BUILD_BENCH=OFF
fi
cmake --build build-fuzz --target "fuzz_$name"
mkdir -p "build-fuzz/corpus/$name" build-fuzz/artifacts
exec nice -n 19 "build-fuzz/bin/fuzz_$name" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
     -rss_limit_mb=2048 -print_final_stats=1 -dict="tests/fuzz/$name.dict" \
     -artifact_prefix=build-fuzz/artifacts/ "$@" "build-fuzz/corpus/$name" "tests/fuzz/corpus/$name"

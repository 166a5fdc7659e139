#!/usr/bin/env bash
# Builds everything (plain and with sanitizers) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh "$@"
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAUTOPLACER_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DAUTOPLACER_SANITIZE=ON \
      -DAUTOPLACER_WERROR=ON -DAUTOPLACER_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

# Fuzz targets: every stored seed and a fixed, seeded run of each when clang links
# libFuzzer (scripts/setup.sh --fuzz installs it); docs/fuzzing.md has the longer,
# exploring runs.
probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if command -v clang++ >/dev/null && echo "$probe" | clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  for target in board rules placer; do
    bash scripts/fuzz.sh --check "$target"
  done
else
  echo "test: clang with libFuzzer not found; fuzz targets skipped (scripts/setup.sh --fuzz)" >&2
fi

#!/usr/bin/env bash
# Builds the application and runs the main job on the bundled demo board.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target autoplacer
./build/bin/autoplacer --help

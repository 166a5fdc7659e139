#!/usr/bin/env bash
# Builds the application and shows what it makes of the bundled demo board: the
# board's counts, rules and placement metrics, and a picture of it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target autoplacer
./build/bin/autoplacer stats demo/demo.kicad_pcb
./build/bin/autoplacer render demo/demo.kicad_pcb -o build/demo.svg
echo "demo: picture of the board in build/demo.svg"

#!/usr/bin/env bash
# Builds the application and places the bundled demo board with the cluster
# placer: prints the report (time per phase, connection length before and after,
# overlaps, parts outside the outline or not fitted) and writes the placed board
# and before/after pictures coloured by cluster.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target autoplacer
mkdir -p build/demo
cp demo/demo.kicad_pcb demo/demo.placer_rules build/demo/
./build/bin/autoplacer place build/demo/demo.kicad_pcb --batch --registry build/demo/registry.json \
    --pictures build/demo --report build/demo/report.json
echo "demo: placed board build/demo/demo.placed.kicad_pcb, pictures build/demo/demo-before.svg and" \
     "build/demo/demo-after.svg, report build/demo/report.json"

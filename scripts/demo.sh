#!/usr/bin/env bash
# The main job: builds everything (Release) and renders the demo to demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKORVANE_BUILD_TESTS=ON
cmake --build build -j"$(nproc)"
./build/tools/demo/korvane-demo demo.wav

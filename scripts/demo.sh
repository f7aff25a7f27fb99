#!/usr/bin/env bash
# The main job: builds the plug-in and its tools (Release) and renders the
# demo song through the plug-in into demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
./build/tools/korvane-render --receive-sysex build/resources/demo/demo.mid demo.wav
echo "demo.wav written"

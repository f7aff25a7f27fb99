#!/usr/bin/env bash
# The main job: builds the plug-in and its tools (Release), renders the demo
# song through the plug-in with the factory sounds into demo.wav, and draws
# its spectrogram into demo.png (the picture in the README).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
cmake --build build --target demo-picture
cp build/demo.wav build/demo.png .
echo "demo.wav and demo.png written"

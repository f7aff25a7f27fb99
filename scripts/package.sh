#!/usr/bin/env bash
# Builds the Debian package korvane-synth-fm4_<version>_amd64.deb with
# CPack (dependencies from dpkg-shlibdeps) into the build folder:
#   scripts/package.sh [BUILD_DIR]   (default: build)
# Install it with `apt install ./build/korvane-synth-fm4_*_amd64.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target korvane-render korvane korvane_moduleinfo korvane_man_pages make-vstpresets
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/korvane-synth-fm4_*_amd64.deb

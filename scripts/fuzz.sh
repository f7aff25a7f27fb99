#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds per target as the first argument, 20 by default). Seed corpora
# come from tests/data where they exist; crashes are written to build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKORVANE_BUILD_FUZZERS=ON -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCHMARKS=OFF \
  -DKORVANE_BUILD_PLUGIN=ON -DKORVANE_SANITIZE=address,undefined,fuzzer-no-link >/dev/null
targets=()
for source in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}"
status=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  case "$name" in
    fuzz_wav_*) [ -d tests/data/wav ] && seeds+=(tests/data/wav) ;;
    fuzz_state) seeds+=(tests/data/state) ;;
    fuzz_midi_file) seeds+=(tests/data/midi) ;;
    fuzz_*_text) [ -d "tests/formats/fuzz_seeds/$name" ] && seeds+=("tests/formats/fuzz_seeds/$name") ;;
  esac
  echo "== $name (${seconds}s)"
  options=()
  case "$name" in
    fuzz_*_text) [ -f tests/formats/fuzz_seeds/preset_text.dict ] && options+=(-dict=tests/formats/fuzz_seeds/preset_text.dict) ;;
  esac
  if ! "$target" -max_total_time="$seconds" -max_len=65536 -artifact_prefix="build-fuzz/$name-" "${options[@]}" \
      "$corpus" "${seeds[@]}" 2>"build-fuzz/$name.log"; then
    echo "$name FAILED: see build-fuzz/$name.log"
    tail -30 "build-fuzz/$name.log"
    status=1
  else
    grep -E "DONE" "build-fuzz/$name.log" | tail -1 || true
  fi
done
exit $status

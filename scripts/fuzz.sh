#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds per target as the first argument, 20 by default). Seed corpora
# come from tests/data where they exist; crashes are written to build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKORVANE_BUILD_FUZZERS=ON -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCHMARKS=OFF \
  -DKORVANE_BUILD_PLUGIN=OFF -DKORVANE_SANITIZE=address,undefined,fuzzer-no-link >/dev/null
cmake --build build-fuzz -j"$(nproc)"
status=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  case "$name" in
    fuzz_wav_*) [ -d tests/data/wav ] && seeds+=(tests/data/wav) ;;
  esac
  echo "== $name (${seconds}s)"
  if ! "$target" -max_total_time="$seconds" -max_len=65536 -artifact_prefix="build-fuzz/$name-" \
      "$corpus" "${seeds[@]}" 2>"build-fuzz/$name.log"; then
    echo "$name FAILED: see build-fuzz/$name.log"
    tail -30 "build-fuzz/$name.log"
    status=1
  else
    grep -E "^#[0-9]+ *DONE" "build-fuzz/$name.log" | tail -1 || true
  fi
done
exit $status

#!/usr/bin/env bash
# Builds and runs every test suite:
#   1. a Release build: every test;
#      then the Debian package (scripts/package.sh) unpacked and played from;
#   2. AddressSanitizer + UndefinedBehaviorSanitizer: every test again;
#   3. ThreadSanitizer: the processor stress test (rendering while editing);
#   4. the libFuzzer targets, each for a bounded time (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs="$(nproc)"
summary="$(mktemp)"
display_file="$(mktemp)"
xvfb_pid=""
trap 'rm -f "$summary" "$display_file"; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT

# The editor's window tests run under a virtual X server of their own:
# -noreset keeps it up between clients, -displayfd picks a free display,
# and the root window carries _XEMBED_INFO as some embedding hosts expect.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1700x1400x24 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$display_file")"
xprop -root -f _XEMBED_INFO 32c -set _XEMBED_INFO "0, 1"
echo "Xvfb on $DISPLAY"

# Runs ctest, keeping its closing line for the summary at the end.
run_ctest() {
  ctest "$@" | tee -a "$summary"
}

echo "== Release"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKORVANE_BUILD_TESTS=ON
cmake --build build -j"$jobs"
run_ctest --test-dir build --output-on-failure -j"$jobs"

echo "== The SDK's validator on the bundle"
bash scripts/validate-bundle.sh build/KorvaneVST_FM4.vst3

echo "== Debian package: built, unpacked into a scratch root, its korvane-render playing the demo song"
package_root="$(mktemp -d)"
bash scripts/package.sh build
dpkg -x build/korvane-synth-fm4_*_amd64.deb "$package_root"
"$package_root/usr/bin/korvane-render" --receive-sysex build/resources/demo/demo.mid "$package_root/demo.wav"
rm -rf "$package_root"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BUILD_TESTS=ON \
  -DKORVANE_BUILD_BENCHMARKS=OFF -DKORVANE_SANITIZE=address,undefined
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BUILD_TESTS=ON \
  -DKORVANE_BUILD_BENCHMARKS=OFF -DKORVANE_SANITIZE=thread
cmake --build build-tsan -j"$jobs" --target plugin_stress_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 KORVANE_STRESS_SECONDS=6 \
  run_ctest --test-dir build-tsan --output-on-failure -R ProcessorStress

echo "== Fuzzing"
bash scripts/fuzz.sh 25

# One closing line over the three test runs (the fuzzers stop the script on
# a crash before it gets here).
passed=0
failed=0
while read -r total bad; do
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done < <(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\2 \1/p' "$summary")
echo "tests: $passed passed, $failed failed"

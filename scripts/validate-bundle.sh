#!/usr/bin/env bash
# Runs Steinberg's validator on a built bundle, its plain suite and its
# extensive one (-e); fails when either reports a failed test. The validator
# is a prebuilt test tool kept beside the repository, in
# ../shared/tools/vst3sdk; where that folder is absent (a user's clone) the
# step says so and passes.
set -euo pipefail
cd "$(dirname "$0")/.."
bundle="${1:-build/KorvaneVST_FM4.vst3}"
validator="$(pwd)/../shared/tools/vst3sdk/validator"
if [ ! -x "$validator" ]; then
  echo "validator: not found at $validator; skipped"
  exit 0
fi
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
for mode in plain extensive; do
  args=()
  [ "$mode" = extensive ] && args=(-e)
  if ! timeout 600 "$validator" "${args[@]}" "$bundle" >"$log" 2>&1; then
    grep -E '^ERROR|Result' "$log" || tail -n 40 "$log"
    echo "validator ($mode): FAILED"
    exit 1
  fi
  echo "validator ($mode): $(grep -E 'Result:' "$log" | tail -n 1 | sed 's/^.*Result: //')"
done

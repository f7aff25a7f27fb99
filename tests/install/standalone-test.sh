#!/usr/bin/env bash
# korvane --headless on a JACK dummy server started here (a server name of
# its own, 48 kHz, 64-frame periods) and stopped after:
#   - the server alone for 10 s: the xruns its timer reports on this machine;
#   - korvane with the factory set, played by jack-probe (A4 every two
#     seconds, output recorded) for 10 s: sound at 440 Hz, and the xruns
#     reported beside the server's own;
#   - on SIGTERM korvane saves its state into the scratch HOME;
#   - the ALSA sequencer port where /dev/snd/seq exists.
#   standalone-test.sh KORVANE JACK_PROBE JACKD
set -euo pipefail
korvane="$1" probe="$2" jackd="$3"
scratch="$(mktemp -d)"
export JACK_DEFAULT_SERVER="korvane-test-$$"
export JACK_NO_AUDIO_RESERVATION=1
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan-third-party.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export HOME="$scratch/home" XDG_CONFIG_HOME=""
mkdir -p "$HOME"
jackd_pid="" korvane_pid=""
cleanup() {
  [ -n "$korvane_pid" ] && kill "$korvane_pid" 2>/dev/null || true
  [ -n "$jackd_pid" ] && kill "$jackd_pid" 2>/dev/null && wait "$jackd_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$scratch/korvane.log" ] && cat "$scratch/korvane.log" >&2; exit 1; }

"$jackd" -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 64 >"$scratch/jackd.log" 2>&1 &
jackd_pid=$!
for _ in $(seq 50); do "$probe" idle 0 >/dev/null 2>&1 && break; sleep 0.1; done
"$probe" idle 0 >/dev/null 2>&1 || { cat "$scratch/jackd.log"; echo "SKIP: the JACK dummy server does not start here"; exit 0; }

start_korvane() {
  "$korvane" --headless --factory --period 64 >"$scratch/korvane.log" 2>&1 &
  korvane_pid=$!
  for _ in $(seq 100); do grep -q "output latency" "$scratch/korvane.log" && break; sleep 0.1; done
  grep -q "output latency" "$scratch/korvane.log" || fail "korvane did not come up on JACK"
}
stop_korvane() {
  kill -TERM "$korvane_pid"
  wait "$korvane_pid" || fail "korvane exited with an error"
  korvane_pid=""
}

# The xruns are a timing, which a shared machine disturbs: they are
# reported beside those of the server with only the recorder (measured just
# before), not judged, but for a callback that keeps up with less than half
# of the periods (the instrument would not play at all).
baseline="$("$probe" idle 10 | sed -n 's/^xruns //p')"
start_korvane
"$probe" play korvane 10 >"$scratch/probe.log" || fail "jack-probe: $(cat "$scratch/probe.log")"
cat "$scratch/probe.log"
xruns="$(sed -n 's/^xruns //p' "$scratch/probe.log")"
pitch="$(sed -n 's/^pitch //p' "$scratch/probe.log")"
peak="$(sed -n 's/^peak //p' "$scratch/probe.log")"
echo "xruns in 10 s at 64-frame periods: server with the recorder alone ${baseline:-?}, with korvane playing $xruns"
awk -v p="$peak" 'BEGIN { exit !(p > 0.01) }' || fail "no sound (peak $peak)"
awk -v f="$pitch" 'BEGIN { exit !(f > 435.6 && f < 444.4) }' || fail "A4 plays at $pitch Hz, not 440"
[ "$xruns" -lt 3750 ] || fail "korvane kept up with less than half of the 7500 periods ($xruns xruns)"

if [ -e /dev/snd/seq ]; then
  grep -q "ALSA sequencer port korvane:0" "$scratch/korvane.log" || fail "no ALSA sequencer port"
  aconnect -o | grep -q "'korvane'" || fail "aconnect does not list korvane"
  echo "ALSA sequencer port korvane:0 listed"
else
  echo "note: /dev/snd/seq is absent; the ALSA sequencer port is not tested"
fi

stop_korvane
[ -s "$HOME/.config/korvane/state.bin" ] || fail "no state saved on exit"
[ ! -e "$HOME/.config/korvane/state.bin.tmp" ] || fail "a temporary state file was left"
tail -n 1 "$scratch/korvane.log"

# The next start restores it.
"$korvane" --headless >"$scratch/korvane.log" 2>&1 &
korvane_pid=$!
for _ in $(seq 100); do grep -q "output latency" "$scratch/korvane.log" && break; sleep 0.1; done
grep -qF "korvane: $HOME/.config/korvane/state.bin (restored)" "$scratch/korvane.log" || fail "the saved state was not restored"
stop_korvane

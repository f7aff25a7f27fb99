#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with. Idempotent
# and quiet: asks apt only for what is missing.
set -euo pipefail

packages=(
  build-essential cmake g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libbenchmark-dev
  juce-modules-source-data
  libsndfile1-dev libebur128-dev
  sox
  # editor window: xcb, keyboard, drawing, fonts; file dialogs at run time
  libxcb1-dev libxcb-xkb-dev libxkbcommon-x11-dev libcairo2-dev libpixman-1-dev libfontconfig-dev libfreetype-dev
  fonts-liberation2 zenity
  # window tests: a virtual X server, xprop, synthetic input
  xvfb x11-utils libxcb-xtest0-dev
  # the standalone instrument: JACK and the ALSA sequencer; its tests run a
  # JACK dummy server; man pages; the Debian package (cpack, dpkg-shlibdeps)
  libjack-jackd2-dev jackd2 libasound2-dev alsa-utils help2man dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

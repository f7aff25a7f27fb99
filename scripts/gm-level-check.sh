#!/usr/bin/env bash
# Level and balance check of the factory set on real General MIDI songs:
# fetches the songs (scripts/fetch-gm-songs.sh), builds korvane-render and
# gm-level-check in build/, and prints per song the mix's peak, clipped
# samples, loudest 100 ms and drum-channel spectral centroid, then loudness
# and centroid per instrument family, and the balance of every family
# against a General MIDI SoundFont played by FluidSynth (installed here,
# for this check only: fluidsynth, fluid-soundfont-gm). Not a CI test: it
# takes minutes.
#   scripts/gm-level-check.sh [--all] [CACHE]
# Without --all it renders the ten songs below (game music in three styles,
# arranged for General MIDI by three different hands, and two generated
# accompaniments); --all renders every song of the three packages.
set -euo pipefail
cd "$(dirname "$0")/.."
all=0
if [ "${1:-}" = "--all" ]; then all=1; shift; fi
songs_dir="$(bash scripts/fetch-gm-songs.sh "$@" | tail -1)"
soundfont=/usr/share/sounds/sf2/FluidR3_GM.sf2
if ! command -v fluidsynth >/dev/null || [ ! -f "$soundfont" ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends fluidsynth fluid-soundfont-gm
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target gm-level-check >/dev/null
selection=(
  openttd-openmsx--5432gone_redfarn.mid
  openttd-openmsx--boogi_marabi_redfarn.mid
  openttd-openmsx--chemistry_lab.mid
  openttd-openmsx--flying_scotsman.mid
  openttd-openmsx--run_for_your_life.mid
  openttd-openmsx--tttheme2.mid
  planetblupi-music-midi--music001.mid
  planetblupi-music-midi--music004.mid
  planetblupi-music-midi--music007.mid
  mma--deep-river.mid
)
files=()
if [ "$all" = 1 ]; then
  files=("$songs_dir"/*.mid)
else
  for s in "${selection[@]}"; do files+=("$songs_dir/$s"); done
fi
build/tools/gm-level-check --reference "$soundfont" "${files[@]}"

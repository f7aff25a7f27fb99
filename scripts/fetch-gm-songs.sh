#!/usr/bin/env bash
# Fetches the General MIDI songs the level check renders (written by other
# people, so not committed) from Debian packages into a cache folder, and
# lists them. The packages are downloaded with apt-get download and unpacked
# with dpkg-deb, not installed.
#   scripts/fetch-gm-songs.sh [CACHE]   (default: ~/.cache/korvane/gm-songs)
# Prints the folder holding the .mid files.
#
# Packages (licences as Debian states them):
#   openttd-openmsx         OpenMSX music set for OpenTTD (GPL-2.0)
#   planetblupi-music-midi  Planet Blupi soundtrack (GPL-3+)
#   mma                     the accompaniment generator's example songs (GPL-2+)
set -euo pipefail
cache="${1:-${HOME}/.cache/korvane/gm-songs}"
packages=(openttd-openmsx planetblupi-music-midi mma)
mkdir -p "$cache/debs" "$cache/unpacked" "$cache/songs"
if ! apt-cache show "${packages[0]}" >/dev/null 2>&1; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
fi
for p in "${packages[@]}"; do
  if ! ls "$cache/debs/${p}"_*.deb >/dev/null 2>&1; then
    (cd "$cache/debs" && apt-get download -qq -o APT::Sandbox::User=root "$p")
  fi
  if [ ! -d "$cache/unpacked/$p" ]; then
    dpkg-deb -x "$cache/debs/${p}"_*.deb "$cache/unpacked/$p"
  fi
done
# Every .mid file, named after its package; the mma examples ship as MIDI
# files only in the documentation folder (gzipped there by Debian).
find "$cache/unpacked" -type f \( -iname '*.mid' -o -iname '*.mid.gz' -o -iname '*.midi' \) | while read -r f; do
  package="$(echo "${f#"$cache/unpacked/"}" | cut -d/ -f1)"
  name="$(basename "$f")"
  name="${name%.gz}"
  target="$cache/songs/${package}--${name}"
  [ -f "$target" ] && continue
  case "$f" in
    *.gz) gzip -dc "$f" > "$target" ;;
    *) cp "$f" "$target" ;;
  esac
done
echo "$cache/songs"

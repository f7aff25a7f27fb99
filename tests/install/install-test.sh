#!/usr/bin/env bash
# The install as a user or a distribution makes it:
#   install-test.sh layout BUILD_DIR DEMO_SONG
#     cmake --install into a scratch DESTDIR with a scratch HOME: exactly the
#     files of installed-files.txt, nothing written into HOME, presets naming
#     the installed WAVs; then the installed korvane-render, from a copy of
#     the install tree (the build tree out of its reach), renders the demo
#     song with the installed plug-in and factory set.
#   install-test.sh user BUILD_DIR DEMO_SONG
#     the user install, --prefix ~/.local with KORVANE_USER_VST3 (scratch
#     HOME): the bundle and the presets linked into ~/.vst3, nothing else
#     in HOME; a korvane-render copied elsewhere finds them there.
#   install-test.sh deb BUILD_DIR DEMO_SONG
#     cpack -G DEB: the package's name, dependencies and file list; unpacked
#     with dpkg -x into a scratch root, its korvane-render renders the song.
#   install-test.sh moduleinfo BUILD_DIR MODULEINFOTOOL
#     the bundle's moduleinfo.json passes the SDK's moduleinfotool -validate
#     (skipped when the tool is absent).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
mode="$1"
build="$(cd "$2" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Files and links under a prefix, relative to it, sorted.
listing() { (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort); }

expected() { LC_ALL=C sort "$here/installed-files.txt"; }

# Renders the first seconds of the song with the korvane-render under
# PREFIX; its --help names the plug-in and the factory set under PREFIX.
render_from() {
  local prefix="$1" song="$2" out="$scratch/render.wav"
  local help
  help="$("$prefix/bin/korvane-render" --help 2>&1 || true)"
  grep -qF "(default $prefix/lib/vst3/KorvaneVST_FM4.vst3)" <<<"$help" || fail "--help names another plug-in: $help"
  grep -qF "from $prefix/share/korvane/factory and $prefix/share/korvane/factory/samples" <<<"$help" ||
    fail "--help names another factory set: $help"
  "$prefix/bin/korvane-render" --receive-sysex --length 4 "$song" "$out" >"$scratch/render.log" 2>&1 ||
    { cat "$scratch/render.log"; fail "the installed korvane-render failed"; }
  [ -s "$out" ] || fail "no WAV written"
  # The sampler parts of the demo play the factory samples: a render that
  # lost them (sine tones only) differs from the build tree's render.
  "$build/tools/korvane-render" --receive-sysex --length 4 "$song" "$scratch/build.wav" >/dev/null 2>&1
  cmp -s "$out" "$scratch/build.wav" || fail "the installed render differs from the build tree's"
}

case "$mode" in
layout)
  song="$3"
  home="$scratch/home"
  mkdir -p "$home"
  HOME="$home" DESTDIR="$scratch/root" cmake --install "$build" --prefix /opt/korvane >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; fail "cmake --install failed"; }
  diff <(expected) <(listing "$scratch/root/opt/korvane") || fail "installed files differ from installed-files.txt"
  [ -z "$(ls -A "$home")" ] || fail "the install wrote into HOME: $(ls -A "$home")"
  for preset in "$scratch/root/opt/korvane/share/korvane/presets/"*.vstpreset; do
    grep -qa "/opt/korvane/share/korvane/factory/samples/drums.wav" "$preset" || fail "$preset names no installed WAV"
    ! grep -qaF "$build" "$preset" || fail "$preset names the build tree"
  done
  # A copy of the install tree elsewhere finds its own data.
  cp -a "$scratch/root/opt/korvane" "$scratch/moved"
  render_from "$scratch/moved" "$song"
  echo "install layout: $(expected | wc -l) files, render from a moved copy ok"
  ;;
user)
  home="$scratch/home"
  prefix="$home/.local"
  mkdir -p "$home"
  HOME="$home" cmake -DKORVANE_USER_VST3=ON -DCMAKE_INSTALL_PREFIX="$prefix" -P "$build/cmake_install.cmake" \
    >"$scratch/install.log" 2>&1 || { cat "$scratch/install.log"; fail "the user install failed"; }
  diff <(expected) <(listing "$prefix") || fail "installed files differ from installed-files.txt"
  [ "$(readlink "$home/.vst3/KorvaneVST_FM4.vst3")" = "$prefix/lib/vst3/KorvaneVST_FM4.vst3" ] ||
    fail "~/.vst3 has no link to the installed bundle"
  [ "$(readlink "$home/.vst3/presets/Ovri Audio/Korvane Synth FM4")" = "$prefix/share/korvane/presets" ] ||
    fail "~/.vst3/presets has no link to the installed presets"
  [ "$(cd "$home" && ls -A | tr '\n' ' ')" = ".local .vst3 " ] || fail "the install wrote into HOME: $(ls -A "$home")"
  mkdir -p "$scratch/elsewhere"
  cp "$prefix/bin/korvane-render" "$scratch/elsewhere/"
  help="$(HOME="$home" "$scratch/elsewhere/korvane-render" --help 2>&1 || true)"
  grep -qF "(default $home/.vst3/KorvaneVST_FM4.vst3)" <<<"$help" || fail "a copied korvane-render misses ~/.vst3: $help"
  grep -qF "from $prefix/share/korvane/factory and" <<<"$help" || fail "a copied korvane-render misses ~/.local/share/korvane: $help"
  echo "user install: links in ~/.vst3, found from a copy elsewhere"
  ;;
deb)
  song="$3"
  (cd "$build" && cpack -G DEB -B "$scratch/cpack" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack failed"; }
  version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
  deb="$scratch/cpack/korvane-synth-fm4_${version}_amd64.deb"
  [ -f "$deb" ] || fail "no $deb: $(ls "$scratch/cpack")"
  depends="$(dpkg-deb -f "$deb" Depends)"
  names="$(tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }')"
  for lib in libc6 libstdc++6 libsndfile1 libjack-jackd2-0 libasound2 libxcb1 libcairo2; do
    grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
  done
  diff <(expected | sed 's|^|usr/|') \
       <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^[^.]*\.\//, ""); sub(/ -> .*/, ""); print }' | LC_ALL=C sort) ||
    fail "package files differ from installed-files.txt"
  dpkg -x "$deb" "$scratch/root"
  render_from "$scratch/root/usr" "$song"
  echo "deb: $(basename "$deb"), Depends: $depends"
  ;;
moduleinfo)
  tool="$3"
  if [ "${4:-}" = sanitized ]; then
    echo "SKIP: moduleinfotool cannot load a bundle built with sanitizers; moduleinfo.json not validated here"
    exit 0
  fi
  if [ ! -x "$tool" ]; then
    echo "SKIP: $tool is absent (../shared not present); moduleinfo.json not validated"
    exit 0
  fi
  "$tool" -validate -path "$build/KorvaneVST_FM4.vst3" || fail "moduleinfotool -validate refused the bundle's moduleinfo.json"
  echo "moduleinfo.json valid"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac

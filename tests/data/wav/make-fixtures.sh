#!/usr/bin/env bash
# Writes the WAV fixtures of the sample import tests into this folder.
# Run it from anywhere: tests/data/wav/make-fixtures.sh
#
# The well-formed files are written by sox from raw sample bytes made here,
# so their contents are known exactly (sox copies samples unchanged when the
# depth does not change); the malformed ones are put together byte by byte.
# The sample formulas are repeated in tests/sampleimport/WavFixtures.h:
# change both together.
#
# Needs bash and sox (14.4). Output is the same on every run.
set -euo pipefail
cd "$(dirname "$0")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Little-endian byte writers.
u8() { printf "\\$(printf '%03o' $(( $1 & 255 )))"; }
le16() { u8 "$1"; u8 $(( $1 >> 8 )); }
le24() { le16 "$1"; u8 $(( $1 >> 16 )); }
le32() { le16 "$1"; le16 $(( $1 >> 16 )); }

# chunk ID BODYFILE: the chunk with its pad byte when the body is odd.
chunk() {
  local size
  size=$(stat -c %s "$2")
  printf '%s' "$1"; le32 "$size"; cat "$2"
  if (( size & 1 )); then u8 0; fi
}

# fmt_body TAG CHANNELS RATE BITS [EXTRA_BYTES]: a "fmt " body of 16 bytes,
# plus a 16-bit extension size of 0 when EXTRA_BYTES is 2.
fmt_body() {
  local bytes=$(( ($4 + 7) / 8 ))
  le16 "$1"; le16 "$2"; le32 "$3"; le32 $(( $3 * $2 * bytes )); le16 $(( $2 * bytes )); le16 "$4"
  if [[ ${5:-0} == 2 ]]; then le16 0; fi
}

# riff OUT CHUNKFILE... [--size-delta N]: "RIFF" size "WAVE" and the chunks.
riff() {
  local out=$1 delta=0
  shift
  local files=()
  while (( $# )); do
    if [[ $1 == --size-delta ]]; then delta=$2; shift 2; else files+=("$1"); shift; fi
  done
  cat "${files[@]}" > "$scratch/body"
  local size=$(( $(stat -c %s "$scratch/body") + 4 + delta ))
  { printf 'RIFF'; le32 "$size"; printf 'WAVE'; cat "$scratch/body"; } > "$out"
}

# --- Raw sample contents --------------------------------------------------

# 8-bit unsigned mono, 64 frames: byte i = 4i (0x00, 0x04, ... 0x80 at
# i = 32, 0xC0 at i = 48, ... 0xFC).
for (( i = 0; i < 64; ++i )); do u8 $(( 4 * i )); done > "$scratch/pcm8.raw"

# 16-bit signed stereo, 32 frames: left -32768 + 2048i, right -1000i.
for (( i = 0; i < 32; ++i )); do le16 $(( -32768 + 2048 * i )); le16 $(( -1000 * i )); done > "$scratch/pcm16s.raw"

# 24-bit signed mono, 16 frames: bytes 0x11 + i, 0x22 + i, 0x33 + 0x11i.
for (( i = 0; i < 16; ++i )); do u8 $(( 0x11 + i )); u8 $(( 0x22 + i )); u8 $(( 0x33 + 0x11 * i )); done \
  > "$scratch/pcm24.raw"

# 32-bit signed mono, 16 frames: bytes i, 0x10 + i, 0x20 + i, 0x80 + 0x11i.
for (( i = 0; i < 16; ++i )); do u8 "$i"; u8 $(( 0x10 + i )); u8 $(( 0x20 + i )); u8 $(( 0x80 + 0x11 * i )); done \
  > "$scratch/pcm32.raw"

# 16-bit signed, 3 channels, 8 frames: channel c of frame i = 100i + c.
for (( i = 0; i < 8; ++i )); do for c in 0 1 2; do le16 $(( 100 * i + c )); done; done > "$scratch/pcm16x3.raw"

# 16-bit signed mono, 8 frames: 1000i (the handmade files' data).
for (( i = 0; i < 8; ++i )); do le16 $(( 1000 * i )); done > "$scratch/pcm16m.raw"

# --- Well-formed files, written by sox --------------------------------------

raw() { sox -t raw -r "$1" -e "$2" -b "$3" -c "$4" "$5" "${@:6}"; }
raw 22050 unsigned-integer 8 1 "$scratch/pcm8.raw" -t wavpcm pcm8-mono.wav
raw 44100 signed-integer 16 2 "$scratch/pcm16s.raw" -t wavpcm pcm16-stereo.wav
raw 48000 signed-integer 24 1 "$scratch/pcm24.raw" -t wavpcm pcm24-mono.wav
raw 96000 signed-integer 32 1 "$scratch/pcm32.raw" -t wavpcm pcm32-mono.wav
raw 44100 signed-integer 16 3 "$scratch/pcm16x3.raw" -t wavpcm three-channels.wav
# Refused formats: 32-bit float (tag 3, "fmt " of 18 bytes and a "fact"
# chunk) and the extensible format (tag 0xFFFE) sox uses for 24 bits.
raw 44100 signed-integer 16 2 "$scratch/pcm16s.raw" -e floating-point -b 32 -t wav float32.wav
raw 48000 signed-integer 24 1 "$scratch/pcm24.raw" -t wav extensible24.wav

# --- Handmade files ---------------------------------------------------------

fmt_body 1 1 8000 16 > "$scratch/fmt16.body"
chunk 'fmt ' "$scratch/fmt16.body" > "$scratch/fmt16"
chunk 'data' "$scratch/pcm16m.raw" > "$scratch/data16"

# A LIST chunk of odd size (5) and its pad byte between "fmt " and "data".
printf 'INFOx' > "$scratch/list.body"
chunk 'LIST' "$scratch/list.body" > "$scratch/list"
riff list-odd.wav "$scratch/fmt16" "$scratch/list" "$scratch/data16"

# A "fmt " chunk of 18 bytes (extension size 0), 8-bit mono at 11025 Hz.
fmt_body 1 1 11025 8 2 > "$scratch/fmt18.body"
chunk 'fmt ' "$scratch/fmt18.body" > "$scratch/fmt18"
head -c 10 "$scratch/pcm8.raw" > "$scratch/pcm8-10.raw"
chunk 'data' "$scratch/pcm8-10.raw" > "$scratch/data8"
riff fmt18.wav "$scratch/fmt18" "$scratch/data8"

riff data-before-fmt.wav "$scratch/data16" "$scratch/fmt16"
riff riff-size-plus-one.wav "$scratch/fmt16" "$scratch/data16" --size-delta 1

# The stereo file with its last 10 bytes cut off (the RIFF size still
# counts them).
head -c $(( $(stat -c %s pcm16-stereo.wav) - 10 )) pcm16-stereo.wav > truncated.wav

# A consistent RIFF size, but a "data" chunk claiming 10 bytes more than
# the file holds.
{ printf 'data'; le32 $(( 16 + 10 )); cat "$scratch/pcm16m.raw"; } > "$scratch/data-long"
riff data-past-end.wav "$scratch/fmt16" "$scratch/data-long"

fmt_body 1 0 8000 16 > "$scratch/fmt0ch.body"
chunk 'fmt ' "$scratch/fmt0ch.body" > "$scratch/fmt0ch"
riff zero-channels.wav "$scratch/fmt0ch" "$scratch/data16"

# 12-bit samples in 2-byte containers: integer PCM of a depth the importer
# does not convert.
fmt_body 1 1 8000 12 > "$scratch/fmt12.body"
chunk 'fmt ' "$scratch/fmt12.body" > "$scratch/fmt12"
riff pcm12-mono.wav "$scratch/fmt12" "$scratch/data16"

ls -l ./*.wav

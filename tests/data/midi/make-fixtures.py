#!/usr/bin/env python3
# Writes the MIDI file fixtures of this folder: one small well-formed song
# and one file for each way a file can be malformed. Run from anywhere; the
# files land beside this script.
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def header(fmt, tracks, division):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, tracks, division)


def track(body):
    return b"MTrk" + struct.pack(">I", len(body)) + body


END = b"\x00\xFF\x2F\x00"
GM_ON = b"\xF0\x05\x7E\x7F\x09\x01\xF7"


def song():
    # Two tracks at 120 bpm, 96 ticks per quarter: a conductor with tempo,
    # and channel 1 piano plus channel 10 drums with running status.
    conductor = b"\x00\xFF\x51\x03\x07\xA1\x20" + b"\x00" + GM_ON + END
    notes = b"\x00\xC0\x00" + b"\x00\x90\x3C\x64" + b"\x00\x99\x24\x64"
    for beat in range(8):
        notes += vlq(48) + b"\x2A\x50" + vlq(48) + b"\x26\x60"  # running status on channel 10
    notes += b"\x00\x80\x3C\x00" + END
    return header(1, 2, 96) + track(conductor) + track(notes)


fixtures = {
    "song.mid": song(),
    # The song cut after 100 bytes: its second track runs past the file.
    "truncated.mid": song()[:100],
    # Tempo FFFFFF with division 1 and the longest delta: 4.5e9 s.
    "endless.mid": header(0, 1, 1) + track(b"\x00\xFF\x51\x03\xFF\xFF\xFF" + b"\xFF\xFF\xFF\x7F\x90\x3C\x01" + END),
    "smpte-zero-ticks.mid": header(0, 1, 0xE700) + track(b"\x00\x90\x3C\x40\x10\x80\x3C\x00" + END),
    "tempo-zero.mid": header(0, 1, 96) + track(b"\x00\xFF\x51\x03\x00\x00\x00\x00\x90\x3C\x40" + END),
    # A data byte at the start of a track, where no running status exists.
    "running-status.mid": header(0, 1, 96) + track(b"\x00\x3C\x40\x10\x80\x3C\x00" + END),
}

for name, data in fixtures.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)

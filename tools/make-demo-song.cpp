// make-demo-song: writes the demo song, a Standard MIDI File (format 1),
// to the path given: four parts on different programs, drums on channel 10
// (index 9), controller moves, pitch bend and a tempo change.
//
// The drum part is switched to percussion mode in both ways the instrument
// knows, NRPN 0/33 and its system-exclusive part-mode message; each takes
// effect only where the instrument has that reception switched on.
#include "tools/midi/MidiFile.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace {

using ovri::korvane::midi::MidiFileWriter;

constexpr int32_t kTicksPerQuarter = 480;
constexpr int32_t kBar = 4 * kTicksPerQuarter;
constexpr int32_t kBars = 16;
constexpr uint32_t kTempoA = 535714;  // 112 bpm: 60e6 / 112
constexpr uint32_t kTempoB = 500000;  // 120 bpm for the last four bars

constexpr uint8_t kLead = 0, kBass = 1, kPad = 2, kArp = 3, kDrums = 9;

void note(MidiFileWriter& w, int32_t track, uint8_t channel, int64_t tick, int64_t length, uint8_t key,
          uint8_t velocity) {
  w.channelMessage(track, tick, 0x90 | channel, key, velocity);
  w.channelMessage(track, tick + length, 0x80 | channel, key, 0);
}

void cc(MidiFileWriter& w, int32_t track, uint8_t channel, int64_t tick, uint8_t number, uint8_t value) {
  w.channelMessage(track, tick, 0xB0 | channel, number, value);
}

// Chord roots of the progression, one per bar: Am F C G (twice), Dm F Am E.
constexpr uint8_t kRoots[kBars] = {57, 53, 48, 55, 57, 53, 48, 55, 50, 53, 57, 52, 57, 53, 48, 55};
constexpr bool kMinor[kBars] = {true, false, false, false, true, false, false, false,
                                true, false, true, false, true, false, false, false};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-demo-song output.mid\n");
    return 2;
  }
  MidiFileWriter w(1, kTicksPerQuarter);

  const int32_t conductor = w.addTrack();
  w.trackName(conductor, 0, "Korvane demo");
  w.tempo(conductor, 0, kTempoA);
  w.tempo(conductor, 12 * kBar, kTempoB);
  w.endOfTrack(conductor, kBars * kBar);

  // Lead: program 0, a melody over the chords, modulation swells.
  const int32_t lead = w.addTrack();
  w.trackName(lead, 0, "lead");
  w.channelMessage(lead, 0, 0xC0 | kLead, 0);
  cc(w, lead, kLead, 0, 7, 100);
  const uint8_t melody[] = {69, 72, 76, 74, 72, 71, 69, 67};
  for (int32_t bar = 4; bar < kBars; ++bar) {
    for (int32_t step = 0; step < 4; ++step) {
      const int64_t at = bar * kBar + step * kTicksPerQuarter;
      note(w, lead, kLead, at, kTicksPerQuarter - 40, melody[(bar + step) % 8], 96 + 8 * (step == 0));
    }
    cc(w, lead, kLead, bar * kBar, 1, 0);
    cc(w, lead, kLead, bar * kBar + 2 * kTicksPerQuarter, 1, 64);
  }

  // Bass: program 33, bend range 12 semitones (RPN 0), slides by pitch bend.
  const int32_t bass = w.addTrack();
  w.trackName(bass, 0, "bass");
  w.channelMessage(bass, 0, 0xC0 | kBass, 33);
  cc(w, bass, kBass, 0, 101, 0);
  cc(w, bass, kBass, 0, 100, 0);
  cc(w, bass, kBass, 0, 6, 12);
  cc(w, bass, kBass, 0, 38, 0);
  for (int32_t bar = 0; bar < kBars; ++bar) {
    const uint8_t root = static_cast<uint8_t>(kRoots[bar] - 24);
    for (int32_t eighth = 0; eighth < 8; ++eighth)
      note(w, bass, kBass, bar * kBar + eighth * kTicksPerQuarter / 2, kTicksPerQuarter / 2 - 30,
           eighth == 6 ? root + 7 : root, eighth % 2 == 0 ? 110 : 80);
    // A slide up into the next bar over the last quarter, back to centre.
    for (int32_t s = 0; s <= 8; ++s) {
      const int32_t bend = 8192 + s * 64;
      w.channelMessage(bass, bar * kBar + 3 * kTicksPerQuarter + s * kTicksPerQuarter / 8, 0xE0 | kBass, bend & 0x7F,
                       (bend >> 7) & 0x7F);
    }
    w.channelMessage(bass, (bar + 1) * kBar, 0xE0 | kBass, 0x00, 0x40);
  }

  // Pad: program 48, held chords, volume swells and a slow pan sweep.
  const int32_t pad = w.addTrack();
  w.trackName(pad, 0, "pad");
  w.channelMessage(pad, 0, 0xC0 | kPad, 48);
  for (int32_t bar = 0; bar < kBars; ++bar) {
    const uint8_t root = kRoots[bar];
    const uint8_t third = static_cast<uint8_t>(root + (kMinor[bar] ? 3 : 4));
    for (uint8_t key : {root, third, static_cast<uint8_t>(root + 7)}) note(w, pad, kPad, bar * kBar, kBar - 20, key, 70);
    for (int32_t s = 0; s < 8; ++s) {
      cc(w, pad, kPad, bar * kBar + s * kBar / 8, 7, static_cast<uint8_t>(60 + 8 * (s < 4 ? s : 8 - s)));
      cc(w, pad, kPad, bar * kBar + s * kBar / 8, 10, static_cast<uint8_t>((bar * 8 + s) * 127 / (kBars * 8)));
    }
  }

  // Arpeggio: program 80, panned right, from bar 9.
  const int32_t arp = w.addTrack();
  w.trackName(arp, 0, "arpeggio");
  w.channelMessage(arp, 0, 0xC0 | kArp, 80);
  cc(w, arp, kArp, 0, 10, 96);
  for (int32_t bar = 8; bar < kBars; ++bar) {
    const uint8_t root = static_cast<uint8_t>(kRoots[bar] + 12);
    const uint8_t keys[4] = {root, static_cast<uint8_t>(root + (kMinor[bar] ? 3 : 4)), static_cast<uint8_t>(root + 7),
                             static_cast<uint8_t>(root + 12)};
    for (int32_t s = 0; s < 16; ++s)
      note(w, arp, kArp, bar * kBar + s * kTicksPerQuarter / 4, kTicksPerQuarter / 4 - 10, keys[s % 4], 64);
  }

  // Drums on channel 10: percussion mode by NRPN 0/33 = 2 and by system
  // exclusive (part 9, mode 2), then kick, snare and hats.
  const int32_t drums = w.addTrack();
  w.trackName(drums, 0, "drums");
  cc(w, drums, kDrums, 0, 99, 0);
  cc(w, drums, kDrums, 0, 98, 33);
  cc(w, drums, kDrums, 0, 6, 2);
  w.systemExclusive(drums, 0, {0xF0, 0x7D, 0x10, 0x22, 0x02, 0x09, 0x01, 0x02, 0xF7});
  for (int32_t bar = 2; bar < kBars; ++bar) {
    for (int32_t s = 0; s < 8; ++s) {
      const int64_t at = bar * kBar + s * kTicksPerQuarter / 2 + kTicksPerQuarter / 8;
      if (s % 4 == 0) note(w, drums, kDrums, at, 60, 36, 120);
      if (s % 4 == 2) note(w, drums, kDrums, at, 60, 38, 110);
      note(w, drums, kDrums, at, 30, 42, s % 2 == 0 ? 90 : 60);
    }
  }
  for (int32_t t = 1; t <= drums; ++t) w.endOfTrack(t, kBars * kBar);

  const std::vector<uint8_t> bytes = w.bytes();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "make-demo-song: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

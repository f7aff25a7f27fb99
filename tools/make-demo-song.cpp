// make-demo-song: writes the demo song, a Standard MIDI File (format 1),
// to the path given: four parts on different programs, drums on channel 10
// (index 9), controller moves, pitch bend and a tempo change.
//
// The drum part is switched to percussion mode in both ways the instrument
// knows, NRPN 0/33 and its system-exclusive part-mode message; each takes
// effect only where the instrument has that reception switched on. The
// song also brings its own sounds: system-exclusive tone writes at its
// start define the programs and drum tones it plays (with reception off,
// the instrument's own tones play instead).
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

// One FM operator of a demo tone.
struct Op {
  uint8_t mul, tl, ar, dr, sl, rr;
  uint8_t wave = 0, tlVelCtrl = 3, lms = 0;
  int32_t detune = 0;  // 1/8192 octave
};

struct Tone {
  uint8_t key = 64, pan = 64, lfoWave = 0;
  int32_t lfoFreq = 2048;
  uint8_t fl = 127, strc = 0;
  Op ops[4];
};

// A tone written from address 25 (key) to 95 (kfStart of operator 3):
// F0 7D 10 22 aa bb 19, seven tone values, then per operator three reserved
// bytes and its thirteen values, F7. aa = 04 program, 05 percussion key.
std::vector<uint8_t> toneMessage(uint8_t block, uint8_t index, const Tone& t) {
  std::vector<uint8_t> m = {0xF0, 0x7D, 0x10, 0x22, block, index, 0x19,
                            t.key, t.pan, t.lfoWave, static_cast<uint8_t>(t.lfoFreq & 0x7F),
                            static_cast<uint8_t>((t.lfoFreq >> 7) & 0x7F), t.fl, t.strc};
  for (const Op& o : t.ops) {
    const int32_t tune = 8192 + o.detune;
    const uint8_t values[16] = {0, 0, 0, o.tlVelCtrl, o.mul, static_cast<uint8_t>(tune & 0x7F),
                                static_cast<uint8_t>((tune >> 7) & 0x7F), o.lms, o.wave, o.tl, o.ar, o.dr, o.sl, o.rr,
                                0, 48};
    m.insert(m.end(), values, values + 16);
  }
  m.push_back(0xF7);
  return m;
}

// The sounds of the song:          mul  tl  ar  dr  sl  rr
constexpr Op kSilent = {1, 127, 127, 0, 0, 127};
Tone leadTone() {  // two modulator-carrier pairs, vibrato from the modulation wheel
  Tone t;
  t.strc = 3;
  t.fl = 70;
  t.lfoFreq = 2600;
  t.ops[0] = {1, 34, 127, 50, 16, 80, 0, 3, 2};
  t.ops[1] = {1, 0, 120, 40, 12, 84, 0, 3, 2};
  t.ops[2] = {2, 44, 127, 60, 30, 80, 0, 3, 2, 6};
  t.ops[3] = {1, 6, 120, 40, 12, 84, 0, 3, 2, -6};
  return t;
}
Tone bassTone() {  // feedback sine modulating a sine, plucked
  Tone t;
  t.strc = 1;
  t.fl = 48;
  t.ops[0] = {1, 30, 127, 66, 36, 100};
  t.ops[1] = {1, 0, 127, 54, 24, 100};
  t.ops[2] = kSilent;
  t.ops[3] = kSilent;
  return t;
}
Tone padTone() {  // slow, detuned pairs
  Tone t;
  t.strc = 3;
  t.fl = 110;
  t.ops[0] = {1, 52, 80, 30, 20, 70};
  t.ops[1] = {1, 8, 76, 20, 8, 66, 0, 2, 0, 10};
  t.ops[2] = {2, 58, 80, 30, 20, 70};
  t.ops[3] = {1, 10, 76, 20, 8, 66, 0, 2, 0, -10};
  return t;
}
Tone arpTone() {  // a bright bell: a chain of four
  Tone t;
  t.strc = 7;
  t.fl = 96;
  t.ops[0] = {7, 58, 127, 70, 60, 90};
  t.ops[1] = {3, 40, 127, 66, 50, 90};
  t.ops[2] = {1, 34, 127, 60, 40, 90};
  t.ops[3] = {1, 4, 127, 58, 36, 92};
  return t;
}
Tone kickTone() {  // low sine with a short click
  Tone t;
  t.key = 26;
  t.strc = 1;
  t.fl = 127;
  t.ops[0] = {1, 24, 127, 84, 127, 100};
  t.ops[1] = {1, 0, 127, 70, 127, 100, 0, 2};
  t.ops[2] = kSilent;
  t.ops[3] = kSilent;
  return t;
}
Tone snareTone() {  // self-modulated noise over three tones
  Tone t;
  t.key = 62;
  t.strc = 2;
  t.fl = 0;
  t.ops[0] = {15, 6, 127, 84, 127, 100};
  t.ops[1] = {3, 10, 127, 78, 127, 100};
  t.ops[2] = {5, 14, 127, 82, 127, 100};
  t.ops[3] = {1, 16, 127, 76, 127, 100};
  return t;
}
Tone hatTone() {  // high, noisy, short, a little right
  Tone t;
  t.key = 100;
  t.pan = 84;
  t.strc = 2;
  t.fl = 0;
  t.ops[0] = {15, 0, 127, 100, 127, 110, 6};
  t.ops[1] = {13, 20, 127, 96, 127, 110, 6};
  t.ops[2] = {11, 22, 127, 96, 127, 110, 6};
  t.ops[3] = {9, 22, 127, 96, 127, 110, 6};
  return t;
}

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
  w.systemExclusive(conductor, 0, toneMessage(0x04, 0, leadTone()));
  w.systemExclusive(conductor, 0, toneMessage(0x04, 33, bassTone()));
  w.systemExclusive(conductor, 0, toneMessage(0x04, 48, padTone()));
  w.systemExclusive(conductor, 0, toneMessage(0x04, 80, arpTone()));
  w.systemExclusive(conductor, 0, toneMessage(0x05, 36, kickTone()));
  w.systemExclusive(conductor, 0, toneMessage(0x05, 38, snareTone()));
  w.systemExclusive(conductor, 0, toneMessage(0x05, 42, hatTone()));
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

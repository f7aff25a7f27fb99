// make-demo-song: writes the demo song, a Standard MIDI File (format 1),
// to the path given. It plays the factory sound set: General MIDI programs
// of the factory tone bank, the factory drum kit on channel 10, and two
// sampler parts playing the factory samples.
//
//   bars    section     what plays (chords: Am F | Am F C G | Am F C G | Dm E | Am F C G | Am)
//   1-2     intro       choir samples swelling in, glockenspiel samples, strings fading in
//   3-6     verse       piano, finger bass, strings, drums
//   7-10    chorus      + saw lead (vibrato, bend scoops), brass stabs, choir samples, crash
//   11-12   breakdown   sampled drum loop, sampled plucked bass, sampled flute solo
//   13-16   finale      everything, + square-lead arpeggio, glockenspiel, tom fill, bass slide
//   17      ending      the last chord, a bar and a half at 100 bpm, fading
//
// Part modes are set by system exclusive (F0 7D 10 22 02 pp 01 mm F7:
// channel 10 percussion, channels 11 and 12 sampler) and, for an instrument
// with NRPN reception on, by NRPN 0/33 as well; each takes effect only where
// the instrument has that reception switched on. The song brings no sounds
// of its own: it relies on the factory set being loaded.
#include "tools/midi/MidiFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

using ovri::korvane::midi::MidiFileWriter;

constexpr int32_t kTicksPerQuarter = 480;
constexpr int32_t kBar = 4 * kTicksPerQuarter;
constexpr uint32_t kTempo = 500000;        // 120 bpm, the tempo of the sampled drum loop
constexpr uint32_t kEndingTempo = 600000;  // 100 bpm for the last chord

// Sections, in bars from 0.
constexpr int32_t kVerse = 2, kChorus = 6, kBreakdown = 10, kFinale = 12, kEnding = 16;
constexpr int32_t kBars = 17;
constexpr double kEndingBeats = 6.0;  // the last chord
constexpr int64_t kSongEnd = kEnding * kBar + static_cast<int64_t>(kEndingBeats * kTicksPerQuarter);

// Channels (0-based) and the factory bank's General MIDI programs.
constexpr uint8_t kPiano = 0, kBass = 1, kStrings = 2, kBrass = 3, kLead = 4, kArp = 5, kDrums = 9;
constexpr uint8_t kSamplerVoices = 10;  // choir and flute samples
constexpr uint8_t kSamplerKit = 11;     // glockenspiel, pluck and drum-loop samples
constexpr uint8_t kProgramPiano = 0, kProgramFingerBass = 33, kProgramStrings = 48, kProgramBrass = 61,
                  kProgramSawLead = 81, kProgramSquareLead = 80;

// Keys of the factory drum kit and of the factory sampler key map.
constexpr uint8_t kKick = 36, kSnare = 38, kClosedHat = 42, kOpenHat = 46, kCrash = 49, kTomHigh = 50,
                  kTomHighMid = 48, kTomLowMid = 47, kTomLow = 45;
// Sampler keys choose a preset: 0 the drum loop (one bar at 120 bpm, loops
// while held), 24-47 pluck, 48-71 choir, 72-95 flute, 96-119 glockenspiel,
// each key of a zone at its own pitch.
constexpr uint8_t kSampledDrumLoop = 0;
constexpr uint8_t kChoirHigh = 71, kGlockC7 = 96;

struct Chord {
  uint8_t root;  // key in octave 3 (48-59)
  bool minor;
};
constexpr Chord kAm = {57, true}, kF = {53, false}, kC = {48, false}, kG = {55, false}, kDm = {50, true},
                kE = {52, false};
constexpr Chord kChords[kBars] = {kAm, kF, kAm, kF, kC, kG, kAm, kF, kC, kG, kDm, kE, kAm, kF, kC, kG, kAm};

int64_t at(int32_t bar, double beat) { return bar * int64_t{kBar} + std::llround(beat * kTicksPerQuarter); }

void note(MidiFileWriter& w, int32_t track, uint8_t channel, int64_t tick, int64_t length, uint8_t key,
          uint8_t velocity) {
  w.channelMessage(track, tick, 0x90 | channel, key, velocity);
  w.channelMessage(track, tick + length, 0x80 | channel, key, 0);
}

void cc(MidiFileWriter& w, int32_t track, uint8_t channel, int64_t tick, uint8_t number, uint8_t value) {
  w.channelMessage(track, tick, 0xB0 | channel, number, value);
}

// 14-bit pitch bend, 8192 = centre.
void bend(MidiFileWriter& w, int32_t track, uint8_t channel, int64_t tick, int32_t value) {
  w.channelMessage(track, tick, 0xE0 | channel, value & 0x7F, (value >> 7) & 0x7F);
}

// A bend glide from one value to another in `steps` even steps.
void glide(MidiFileWriter& w, int32_t track, uint8_t channel, int64_t from, int64_t to, int32_t start, int32_t end,
           int32_t steps = 8) {
  for (int32_t s = 0; s <= steps; ++s)
    bend(w, track, channel, from + (to - from) * s / steps, start + (end - start) * s / steps);
}

// A controller ramp from one value to another in `steps` even steps.
void ramp(MidiFileWriter& w, int32_t track, uint8_t channel, int64_t from, int64_t to, uint8_t number,
          int32_t start, int32_t end, int32_t steps = 8) {
  for (int32_t s = 0; s <= steps; ++s)
    cc(w, track, channel, from + (to - from) * s / steps, number, static_cast<uint8_t>(start + (end - start) * s / steps));
}

// The chord's tones within low..high, rising.
std::vector<uint8_t> voicing(const Chord& chord, uint8_t low, uint8_t high) {
  const int32_t third = chord.minor ? 3 : 4;
  std::vector<uint8_t> keys;
  for (int32_t key = low; key <= high; ++key) {
    const int32_t interval = ((key - chord.root) % 12 + 12) % 12;
    if (interval == 0 || interval == third || interval == 7) keys.push_back(static_cast<uint8_t>(key));
  }
  return keys;
}

// Part mode by system exclusive and by NRPN 0/33.
void partMode(MidiFileWriter& w, int32_t track, uint8_t channel, uint8_t mode) {
  cc(w, track, channel, 0, 99, 0);
  cc(w, track, channel, 0, 98, 33);
  cc(w, track, channel, 0, 6, mode);
  w.systemExclusive(track, 0, {0xF0, 0x7D, 0x10, 0x22, 0x02, channel, 0x01, mode, 0xF7});
}

void setup(MidiFileWriter& w, int32_t track, uint8_t channel, uint8_t program, uint8_t volume, uint8_t pan) {
  w.channelMessage(track, 0, 0xC0 | channel, program);
  cc(w, track, channel, 0, 7, volume);
  cc(w, track, channel, 0, 10, pan);
}

struct Note {
  double beat, length;
  uint8_t key;
};

void phrase(MidiFileWriter& w, int32_t track, uint8_t channel, int32_t bar, const std::vector<Note>& notes,
            uint8_t velocity) {
  for (const Note& n : notes)
    note(w, track, channel, at(bar, n.beat), std::llround(n.length * kTicksPerQuarter) - 20, n.key, velocity);
}

// The lead's tune over Am F C G; the finale ends it on a climb.
const std::vector<Note> kTune[4] = {
    {{0, 1.5, 76}, {1.5, 0.5, 74}, {2, 1, 72}, {3, 1, 69}},
    {{0, 1.5, 72}, {1.5, 0.5, 74}, {2, 2, 77}},
    {{0, 1, 76}, {1, 1, 79}, {2, 1, 76}, {3, 0.5, 74}, {3.5, 0.5, 72}},
    {{0, 3, 74}, {3, 1, 71}},
};
const std::vector<Note> kTuneClimb = {{0, 2, 74}, {2, 1, 79}, {3, 1, 83}};

void writePiano(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "piano");
  setup(w, t, kPiano, kProgramPiano, 78, 52);
  // Broken chords in eighths: root, fifth, octave, tenth, twelfth, back down.
  for (int32_t bar = kVerse; bar < kEnding; ++bar) {
    if (bar >= kBreakdown && bar < kFinale) continue;
    const Chord& c = kChords[bar];
    const int32_t third = c.minor ? 3 : 4;
    const int32_t pattern[8] = {0, 7, 12, 12 + third, 19, 12 + third, 12, 7};
    for (int32_t e = 0; e < 8; ++e)
      note(w, t, kPiano, at(bar, e * 0.5), kTicksPerQuarter / 2 + 120, static_cast<uint8_t>(c.root + pattern[e]),
           e % 4 == 0 ? 92 : 70);
  }
  for (uint8_t key : {45, 57, 64}) note(w, t, kPiano, at(kEnding, 0), at(0, kEndingBeats) - 40, key, 80);
}

void writeBass(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "bass");
  setup(w, t, kBass, kProgramFingerBass, 90, 64);
  for (int32_t bar = kVerse; bar < kEnding; ++bar) {
    if (bar >= kBreakdown && bar < kFinale) continue;
    const int32_t root = kChords[bar].root - 24 >= 28 ? kChords[bar].root - 24 : kChords[bar].root - 12;
    const int32_t pattern[8] = {0, 0, 12, 0, 7, 0, 12, 7};
    const int32_t eighths = bar == kChorus + 3 || bar == kFinale + 3 ? 6 : 8;  // room for a bend at the end
    for (int32_t e = 0; e < eighths; ++e)
      note(w, t, kBass, at(bar, e * 0.5), kTicksPerQuarter / 2 - 40, static_cast<uint8_t>(root + pattern[e]),
           e % 2 == 0 ? 110 : 84);
  }
  // Into the breakdown: the last G dives a whole tone; into the ending, it
  // slides up to the A (bend range 2 semitones).
  const uint8_t g = 31;
  note(w, t, kBass, at(kChorus + 3, 3), kTicksPerQuarter - 20, g, 110);
  glide(w, t, kBass, at(kChorus + 3, 3.25), at(kChorus + 3, 3.9), 8192, 0);
  bend(w, t, kBass, at(kBreakdown, 0), 8192);
  note(w, t, kBass, at(kFinale + 3, 3), kTicksPerQuarter - 20, g, 110);
  glide(w, t, kBass, at(kFinale + 3, 3.4), at(kFinale + 3, 3.9), 8192, 16383);
  bend(w, t, kBass, at(kEnding, 0), 8192);
  note(w, t, kBass, at(kEnding, 0), at(0, kEndingBeats) - 40, 33, 110);
}

void writeStrings(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "strings");
  setup(w, t, kStrings, kProgramStrings, 40, 40);
  ramp(w, t, kStrings, 0, at(2, 0), 7, 40, 82, 16);  // fading in over the intro
  for (int32_t bar = 0; bar < kEnding; ++bar) {
    if (bar >= kBreakdown && bar < kFinale) continue;
    const Chord& c = kChords[bar];
    for (uint8_t key : {c.root, static_cast<uint8_t>(c.root + 7), static_cast<uint8_t>(c.root + (c.minor ? 15 : 16))})
      note(w, t, kStrings, at(bar, 0), kBar - 10, key, 76);
    cc(w, t, kStrings, at(bar, 0), 10, static_cast<uint8_t>(40 + 48 * bar / kEnding));  // a slow sweep to the right
  }
  // Swells in the chorus and the finale, a little vibrato from the chorus on.
  for (int32_t bar : {kChorus, kChorus + 2, kFinale, kFinale + 2}) {
    ramp(w, t, kStrings, at(bar, 0), at(bar + 1, 0), 11, 80, 127);
    ramp(w, t, kStrings, at(bar + 1, 0), at(bar + 2, 0), 11, 127, 96);
  }
  cc(w, t, kStrings, at(kChorus, 0), 1, 40);
  // The last chord, fading out.
  for (uint8_t key : {57, 64, 72, 76}) note(w, t, kStrings, at(kEnding, 0), at(0, kEndingBeats) - 40, key, 80);
  ramp(w, t, kStrings, at(kEnding, 1), at(kEnding, kEndingBeats), 7, 82, 40);
}

void writeBrass(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "brass");
  setup(w, t, kBrass, kProgramBrass, 56, 80);
  // Stabs on the one and the "and" of two.
  for (int32_t bar : {kChorus, kChorus + 1, kChorus + 2, kChorus + 3, kFinale, kFinale + 1, kFinale + 2, kFinale + 3})
    for (double beat : {0.0, 1.5})
      for (uint8_t key : voicing(kChords[bar], 57, 67)) note(w, t, kBrass, at(bar, beat), 200, key, 100);
}

void writeLead(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "lead");
  setup(w, t, kLead, kProgramSawLead, 86, 60);
  cc(w, t, kLead, 0, 1, 0);
  for (int32_t section : {kChorus, kFinale}) {
    for (int32_t i = 0; i < 4; ++i) {
      const bool climb = section == kFinale && i == 3;
      phrase(w, t, kLead, section + i, climb ? kTuneClimb : kTune[i], 100);
    }
    // A scoop into the long F (a semitone below, up in an eighth) and
    // vibrato from the modulation wheel on the long notes.
    glide(w, t, kLead, at(section + 1, 2) - 10, at(section + 1, 2.5), 4096, 8192);
    ramp(w, t, kLead, at(section + 1, 2.5), at(section + 1, 3.9), 1, 0, 90);
    cc(w, t, kLead, at(section + 2, 0), 1, 0);
    ramp(w, t, kLead, at(section + 3, 0.5), at(section + 3, 2.9), 1, 0, 80);
    cc(w, t, kLead, at(section + 3, 3), 1, 0);
  }
  // The finale's climb scoops up to its G and B.
  glide(w, t, kLead, at(kFinale + 3, 2) - 10, at(kFinale + 3, 2.4), 4096, 8192, 4);
  glide(w, t, kLead, at(kFinale + 3, 3) - 10, at(kFinale + 3, 3.4), 4096, 8192, 4);
  // The top A held over the last chord, its vibrato growing.
  note(w, t, kLead, at(kEnding, 0), at(0, kEndingBeats) - 40, 81, 100);
  ramp(w, t, kLead, at(kEnding, 1), at(kEnding, kEndingBeats), 1, 0, 110);
}

void writeArpeggio(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "arpeggio");
  setup(w, t, kArp, kProgramSquareLead, 94, 64);
  for (int32_t bar = kFinale; bar < kEnding; ++bar) {
    const std::vector<uint8_t> up = voicing(kChords[bar], 69, 84);
    std::vector<uint8_t> cycle = up;
    for (size_t i = up.size() - 2; i > 0; --i) cycle.push_back(up[i]);  // up and back down
    for (int32_t s = 0; s < 16; ++s)
      note(w, t, kArp, at(bar, s * 0.25), kTicksPerQuarter / 4 - 20, cycle[static_cast<size_t>(s) % cycle.size()],
           s % 4 == 0 ? 84 : 64);
    cc(w, t, kArp, at(bar, 0), 10, bar % 2 == 0 ? 30 : 98);  // from side to side, bar by bar
  }
}

void writeDrums(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "drums");
  partMode(w, t, kDrums, 2);
  cc(w, t, kDrums, 0, 7, 76);
  auto hit = [&](int32_t bar, double beat, uint8_t key, uint8_t velocity) {
    note(w, t, kDrums, at(bar, beat), 60, key, velocity);
  };
  for (int32_t bar = kVerse; bar < kEnding; ++bar) {
    if (bar >= kBreakdown && bar < kFinale) continue;  // the sampled loop plays there
    const bool full = bar >= kChorus;
    for (int32_t e = 0; e < 8; ++e) hit(bar, e * 0.5, e == 7 && full ? kOpenHat : kClosedHat, e % 2 == 0 ? 90 : 64);
    hit(bar, 0, kKick, 120);
    hit(bar, 2, kKick, 112);
    if (full) hit(bar, 2.5, kKick, 96);
    if (bar > kVerse + 1) {
      hit(bar, 1, kSnare, 108);
      hit(bar, 3, kSnare, 108);
    }
  }
  for (int32_t bar : {kChorus, kFinale}) hit(bar, 0, kCrash, 110);
  // A tom fill into the ending.
  const uint8_t toms[8] = {kTomHigh, kTomHigh, kTomHighMid, kTomHighMid, kTomLowMid, kTomLowMid, kTomLow, kTomLow};
  for (int32_t s = 0; s < 8; ++s) hit(kFinale + 3, 2 + s * 0.25, toms[s], static_cast<uint8_t>(78 + 4 * s));
  hit(kEnding, 0, kKick, 124);
  hit(kEnding, 0, kCrash, 120);
}

void writeSampledVoices(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "sampler: choir and flute");
  partMode(w, t, kSamplerVoices, 3);
  cc(w, t, kSamplerVoices, 0, 7, 94);
  cc(w, t, kSamplerVoices, 0, 10, 64);
  // The choir swells in over the intro (expression), sings under the
  // chorus and the finale, and holds the last chord.
  ramp(w, t, kSamplerVoices, 0, at(1, 3), 11, 40, 120, 14);
  for (int32_t bar = 0; bar < kEnding; ++bar) {
    if (bar >= kVerse && bar < kChorus) continue;
    if (bar >= kBreakdown && bar < kFinale) continue;
    for (uint8_t key : voicing(kChords[bar], 55, kChoirHigh)) note(w, t, kSamplerVoices, at(bar, 0), kBar - 30, key, 84);
  }
  cc(w, t, kSamplerVoices, at(kChorus, 0), 11, 96);
  for (uint8_t key : voicing(kAm, 55, kChoirHigh)) note(w, t, kSamplerVoices, at(kEnding, 0), at(0, kEndingBeats) - 40, key, 90);
  ramp(w, t, kSamplerVoices, at(kEnding, 1), at(kEnding, kEndingBeats), 11, 96, 40);

  // The flute's solo over the breakdown, falling off its last note.
  cc(w, t, kSamplerVoices, at(kBreakdown, 0), 11, 120);
  phrase(w, t, kSamplerVoices, kBreakdown, {{0, 1.5, 81}, {1.5, 0.5, 79}, {2, 1, 77}, {3, 1, 74}}, 120);
  phrase(w, t, kSamplerVoices, kBreakdown + 1, {{0, 1.5, 76}, {1.5, 0.5, 77}, {2, 1.8, 80}}, 120);
  glide(w, t, kSamplerVoices, at(kBreakdown + 1, 3), at(kBreakdown + 1, 3.75), 8192, 2048, 6);
  bend(w, t, kSamplerVoices, at(kBreakdown + 1, 3.85), 8192);
  cc(w, t, kSamplerVoices, at(kFinale, 0), 11, 96);
}

void writeSampledKit(MidiFileWriter& w) {
  const int32_t t = w.addTrack();
  w.trackName(t, 0, "sampler: glockenspiel, pluck, drum loop");
  partMode(w, t, kSamplerKit, 3);
  cc(w, t, kSamplerKit, 0, 7, 90);
  // Glockenspiel in the intro, tossed from side to side.
  phrase(w, t, kSamplerKit, 0, {{0, 0.5, 100}, {0.5, 0.5, 105}, {1, 0.5, 108}, {1.5, 1, 105}, {2.5, 0.5, 100}, {3, 1, 96}},
         110);
  phrase(w, t, kSamplerKit, 1, {{0, 0.5, 101}, {0.5, 0.5, 105}, {1, 0.5, 108}, {1.5, 1, 113}, {2.5, 0.5, 108}, {3, 1, 105}},
         110);
  for (int32_t half = 0; half < 4; ++half) cc(w, t, kSamplerKit, at(half / 2, 2.0 * (half % 2)), 10, half % 2 == 0 ? 34 : 94);

  // The breakdown: the sampled drum loop held for two bars under a
  // plucked bass line.
  cc(w, t, kSamplerKit, at(kBreakdown, 0), 10, 64);
  note(w, t, kSamplerKit, at(kBreakdown, 0), 2 * kBar - 10, kSampledDrumLoop, 110);
  const uint8_t dm[8] = {38, 38, 45, 38, 41, 38, 45, 43};
  const uint8_t e[8] = {40, 40, 47, 40, 44, 40, 47, 35};
  for (int32_t i = 0; i < 8; ++i) {
    note(w, t, kSamplerKit, at(kBreakdown, i * 0.5), kTicksPerQuarter / 2 - 30, dm[i], i % 2 == 0 ? 120 : 96);
    note(w, t, kSamplerKit, at(kBreakdown + 1, i * 0.5), kTicksPerQuarter / 2 - 30, e[i], i % 2 == 0 ? 120 : 96);
  }

  // A glockenspiel ping on each chord of the finale and on the last one.
  for (int32_t bar = kFinale; bar <= kEnding; ++bar) {
    cc(w, t, kSamplerKit, at(bar, 0), 10, bar % 2 == 0 ? 84 : 44);
    const uint8_t root = static_cast<uint8_t>(kGlockC7 + kChords[bar].root % 12);
    note(w, t, kSamplerKit, at(bar, 0), kTicksPerQuarter, root, 84);
  }
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
  w.tempo(conductor, 0, kTempo);
  w.tempo(conductor, at(kEnding, 0), kEndingTempo);

  const auto parts = {writePiano, writeBass, writeStrings, writeBrass, writeLead, writeArpeggio, writeDrums,
                      writeSampledVoices, writeSampledKit};
  for (auto part : parts) part(w);
  for (int32_t t = 0; t <= static_cast<int32_t>(parts.size()); ++t) w.endOfTrack(t, kSongEnd);

  const std::vector<uint8_t> bytes = w.bytes();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "make-demo-song: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

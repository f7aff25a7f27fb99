// korvane-demo: renders a short phrase with the synthesizer library alone
// (no plug-in host) into a stereo WAV file, as a listening check of the
// engine: a few bars on several FM structures, a percussion part and a
// sampled sound.
//
//   korvane-demo [output.wav]
#include "engine/EngineRack.h"
#include "engine/SynthesizerFM4.h"
#include "tonegen/LogCode.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

using namespace ovri::korvane;
using namespace ovri::korvane::synth;

constexpr float kSampleRate = 48000.0f;
constexpr int32_t kBlock = 256;

struct Operator {
  int32_t mul, tl, ar, dr, sl, rr, wave;
};

void makeTone(TonePreset& t, const char* name, int32_t strc, int32_t fl, std::initializer_list<Operator> ops) {
  std::snprintf(t.presetName, sizeof t.presetName, "%-16.16s", name);
  t.strc = strc;
  t.fl = fl;
  int32_t i = 0;
  for (const Operator& o : ops) {
    t.mul[i] = o.mul;
    t.tl[i] = o.tl;
    t.ar[i] = o.ar;
    t.dr[i] = o.dr;
    t.sl[i] = o.sl;
    t.rr[i] = o.rr;
    t.wave[i] = o.wave;
    t.tlVelCtrl[i] = 3;
    ++i;
  }
}

void setupSounds(SynthesizerFM4& s) {
  // Electric piano: two modulator-carrier pairs.
  makeTone(s.getTonePreset(0), "E.Piano", 3, 90,
           {{1, 40, 127, 70, 40, 90, 0}, {1, 0, 127, 52, 30, 70, 0}, {14, 62, 127, 80, 60, 90, 0}, {1, 4, 127, 54, 30, 70, 0}});
  // Brass: a four-operator stack with slow attack and vibrato.
  TonePreset& brass = s.getTonePreset(1);
  makeTone(brass, "Brass", 7, 60,
           {{1, 46, 96, 40, 12, 80, 0}, {1, 40, 100, 40, 10, 80, 0}, {1, 30, 104, 30, 8, 84, 0}, {1, 2, 106, 20, 6, 84, 0}});
  brass.lfoFreq = 2800;
  for (int32_t op = 0; op < 4; ++op) brass.lms[op] = 3;
  // Bass: feedback sine into a carrier.
  makeTone(s.getTonePreset(2), "Bass", 1, 20,
           {{0, 34, 127, 64, 40, 100, 0}, {0, 0, 127, 40, 20, 96, 0}, {1, 127, 127, 0, 0, 127, 0}, {1, 127, 127, 0, 0, 127, 0}});
  // Organ: four carriers, no modulation.
  makeTone(s.getTonePreset(3), "Organ", 0, 127,
           {{1, 8, 120, 0, 0, 100, 0}, {2, 12, 120, 0, 0, 100, 0}, {4, 18, 120, 0, 0, 100, 0}, {8, 24, 120, 0, 0, 100, 2}});

  // Percussion: kick (falling sine with a click) and a noisy snare.
  TonePreset& kick = s.getTonePreset(128 + 36);
  makeTone(kick, "Kick", 1, 127,
           {{1, 20, 127, 76, 127, 90, 0}, {0, 0, 127, 64, 127, 90, 0}, {1, 127, 127, 0, 0, 127, 0}, {1, 127, 127, 0, 0, 127, 0}});
  kick.key = 24;
  TonePreset& snare = s.getTonePreset(128 + 38);
  makeTone(snare, "Snare", 2, 0,
           {{15, 0, 127, 80, 127, 96, 6}, {3, 6, 127, 78, 127, 96, 0}, {5, 10, 127, 80, 127, 96, 0}, {7, 12, 127, 84, 127, 96, 0}});
  snare.key = 60;
  TonePreset& hat = s.getTonePreset(128 + 42);
  makeTone(hat, "Hat", 2, 0,
           {{15, 0, 127, 96, 127, 110, 6}, {13, 14, 127, 96, 127, 110, 6}, {11, 14, 127, 96, 127, 110, 6}, {9, 14, 127, 96, 127, 110, 6}});
  hat.key = 90;
  hat.pan = 84;

  // A sampled bell: a decaying inharmonic tone, mono, looped at its end.
  SampleData& bell = s.getSampleData(0);
  const int32_t frames = 24000;
  bell.samples = new int32_t[frames];
  bell.ownsData = 1;
  for (int32_t i = 0; i < frames; ++i) {
    const double t = i / 24000.0;
    const double v = std::exp(-3.0 * t) * (0.5 * std::sin(6.2831853 * 523.25 * t) + 0.3 * std::sin(6.2831853 * 1410.0 * t));
    bell.samples[i] = toLogSample(v);
  }
  bell.length = frames;
  bell.channels = 1;
  bell.sampleRate = 24000.0f;
  bell.pitch = 523.25f;
  bell.logRate = logPitchUnitsF(bell.sampleRate);
  bell.logPitch = logPitchUnitsF(bell.pitch);
  bell.pitchOffset = bell.logRate - bell.logPitch;
  bell.start = 0;
  bell.end = bell.loopEnd = frames;
  SamplerPreset& bellPreset = s.getSamplerPreset(72);
  bellPreset.smplNum = 0;
  bellPreset.rr = 70;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "demo.wav";
  EngineRack engine(kSampleRate, kBlock);
  SynthesizerFM4* synth = engine.synth.get();
  setupSounds(*synth);
  synth->setPartMode(9, kModePercussion);
  synth->setPartMode(5, kModeSampler);
  for (int32_t p = 0; p < 4; ++p) synth->programChange(p, p);
  synth->controlChange(3, 10, 30);  // organ a little left
  synth->controlChange(1, 7, 80);
  for (int32_t p : {0, 2, 9}) synth->controlChange(p, 7, 84);

  // The phrase: (beat, channel, key, velocity, length in beats).
  struct Note { double beat; int32_t ch, key, vel; double len; };
  std::vector<Note> notes;
  const int32_t chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
  for (int32_t bar = 0; bar < 4; ++bar) {
    for (int32_t beat = 0; beat < 4; ++beat) {
      const double b = bar * 4 + beat;
      for (int32_t k : chords[bar]) notes.push_back({b, 0, k, 70 + 10 * (beat == 0), 0.45});
      notes.push_back({b, 9, 36, 120, 0.25});
      notes.push_back({b + 0.5, 9, 42, 80, 0.1});
      if (beat % 2 == 1) notes.push_back({b, 9, 38, 110, 0.2});
      notes.push_back({b, 2, chords[bar][0] - 24, 110, 0.4});
      notes.push_back({b + 0.5, 2, chords[bar][0] - 12, 90, 0.3});
    }
    notes.push_back({bar * 4.0, 1, chords[bar][2] + 12, 100, 3.5});
    notes.push_back({bar * 4.0, 3, chords[bar][0] - 12, 80, 4.0});
    notes.push_back({bar * 4.0 + 2, 5, 72, 100, 0.5});
  }

  const double samplesPerBeat = kSampleRate * 60.0 / 112.0;
  const int64_t total = static_cast<int64_t>(18 * samplesPerBeat);
  struct Timed { int64_t at; int32_t status, ch, key, vel; };
  std::vector<Timed> events;
  for (const Note& n : notes) {
    events.push_back({static_cast<int64_t>(n.beat * samplesPerBeat), 0x90, n.ch, n.key, n.vel});
    events.push_back({static_cast<int64_t>((n.beat + n.len) * samplesPerBeat), 0x80, n.ch, n.key, 0});
  }
  // A pitch bend swell on the brass in the last bar.
  for (int32_t i = 0; i <= 16; ++i)
    events.push_back({static_cast<int64_t>((12.0 + i / 8.0) * samplesPerBeat), 0xE0, 1, 0, 64 + (i < 8 ? i : 16 - i) * 2});

  std::vector<std::vector<float>> channels(kChannelCount, std::vector<float>(kBlock));
  std::vector<float> interleaved;
  interleaved.reserve(static_cast<size_t>(total) * 2);
  for (int64_t pos = 0; pos < total; pos += kBlock) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(kBlock, total - pos));
    for (const Timed& e : events) {
      if (e.at < pos || e.at >= pos + n) continue;
      engine.queue3(e.status, e.ch, e.key, e.vel, static_cast<int32_t>(e.at - pos));
    }
    float* outputs[kChannelCount];
    for (int32_t c = 0; c < kChannelCount; ++c) {
      std::fill(channels[c].begin(), channels[c].end(), 0.0f);
      outputs[c] = channels[c].data();
    }
    engine.runBlock(outputs, n);
    for (int32_t i = 0; i < n; ++i) {
      float l = 0.0f, r = 0.0f;
      for (int32_t pair = 0; pair < kOutputPairCount; ++pair) {
        l += channels[2 * pair][i];
        r += channels[2 * pair + 1][i];
      }
      interleaved.push_back(l);
      interleaved.push_back(r);
    }
  }

  SF_INFO info{};
  info.samplerate = static_cast<int>(kSampleRate);
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path, SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "korvane-demo: cannot write %s: %s\n", path, sf_strerror(nullptr));
    return 1;
  }
  sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / 2));
  sf_close(file);
  float peak = 0.0f;
  for (float v : interleaved) peak = std::max(peak, std::fabs(v));
  std::printf("korvane-demo: wrote %s (%.1f s, peak %.3f)\n", path, total / kSampleRate, peak);
  return 0;
}

#pragma once

#include "tonegen/SoundData.h"

#include <cstdint>
#include <random>

namespace ovri::korvane::test {

// A random FM tone over the whole parameter space the render routines
// see: every structure and LFO target, wave, feedback, LFO wave and rate,
// levels, velocity sensitivity, key follow, and envelope rates with their
// extremes (no attack, instant and frozen stages, silent sustain levels),
// so that voices end, steal and restart inside blocks.
inline void randomTone(synth::TonePreset& t, std::mt19937& rng) {
  auto pick = [&rng](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
  auto rate = [&]() {
    switch (pick(0, 5)) {
      case 0: return 0;
      case 1: return 127;
      case 2: return pick(200, 255);
      default: return pick(0, 255);
    }
  };
  t.strc = pick(0, 15);
  t.fl = pick(0, 3) == 0 ? 255 : pick(0, 255);
  t.lfoWave = pick(0, 3);
  t.lfoFreq = pick(0, 2) == 0 ? 16383 : pick(0, 16383);
  for (int32_t op = 0; op < synth::kOperatorCount; ++op) {
    t.tlVelCtrl[op] = pick(0, 7);
    t.mul[op] = pick(0, 15);
    t.tune[op] = pick(0, 16383);
    t.lms[op] = pick(0, 15);
    t.wave[op] = pick(0, 7);
    t.tl[op] = pick(0, 4) == 0 ? pick(100, 255) : pick(0, 60);
    t.ar[op] = rate();
    t.dr[op] = rate();
    t.sl[op] = pick(0, 4) == 0 ? 128 : pick(0, 127);
    t.rr[op] = rate();
    t.kf[op] = pick(0, 3);
    t.kfStart[op] = pick(0, 127);
  }
}

}  // namespace ovri::korvane::test

#pragma once

#include "engine/SynthesizerFM4.h"

#include <cstdint>

namespace ovri::korvane::bench {

// Tones 0..15, one for each FM render routine (strc = the tone's number),
// that sound at once and hold, so that every started voice stays busy;
// with withLfo the LFO moves the pitch of every operator.
inline void prepareHeldTones(synth::SynthesizerFM4& synth, bool withLfo) {
  for (int32_t t = 0; t < 16; ++t) {
    synth::TonePreset& tone = synth.getTonePreset(t);
    tone.strc = t;
    tone.fl = 60;
    if (withLfo) tone.lfoFreq = 1500;
    for (int32_t op = 0; op < 4; ++op) {
      tone.ar[op] = 127;
      tone.sl[op] = 0;
      tone.tl[op] = 20;
      if (withLfo) tone.lms[op] = 2;
    }
  }
}

}  // namespace ovri::korvane::bench

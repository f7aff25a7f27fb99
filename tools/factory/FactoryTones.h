#pragma once

// The factory tone bank: 128 instrument programs in the sixteen families of
// the General MIDI program list, in order (pianos, chromatic percussion,
// organs, guitars, basses, strings, ensembles, brass, reeds, pipes, synth
// leads, synth pads, synth effects, ethnic, percussive, sound effects),
// and a drum kit on the percussion tones of keys 35 to 81.
//
// Percussion keys outside 35..81 hold "Empty Drum Key": a quiet sine blip
// at the key's own pitch that dies away in about 50 ms, so that an
// unassigned key is heard as such without ever sounding loud.

#include "tonegen/SoundData.h"

namespace ovri::korvane::factory {

// Fills tones[0 .. synth::kToneCount - 1]: programs 0..127, then the
// percussion tones 128 + key. Every field of every record is written.
void buildFactoryTones(synth::TonePreset* tones);

}  // namespace ovri::korvane::factory

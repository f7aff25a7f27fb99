#pragma once

#include "plugin/EngineHost.h"
#include "plugin/StateImage.h"

#include <cstddef>

namespace ovri::korvane::plugin {

// The most sample memory one state load imports; slots past it are left
// without samples, as if their files were missing.
constexpr size_t kMaxStateSampleBytes = size_t{2} << 30;

// The image of the host's current state, taken from the main thread's copy.
void captureStateImage(EngineHost& host, StateImage& image);

// Loads an image in one step, or not at all. An incomplete image changes
// nothing and gives false. Otherwise every WAV file the image names is
// imported first (absolute paths only: a relative one counts as a missing
// file), the new state is built apart, and it is handed to the engine
// whole: every voice stops; settings, parts, tones and sampler presets take
// the image's values (the master volume bounded to 0..1); every named slot
// takes its recording (with its mode, rate, pitch, play range and loop),
// and every other slot is cleared. A slot whose file cannot be imported is
// left without samples but keeps the image's path, mode and points for the
// next save.
bool loadStateImage(EngineHost& host, const StateImage& image);

}  // namespace ovri::korvane::plugin

#pragma once

#include <cstdint>

namespace ovri::korvane::synth {

// Fills the wave memory with the eight oscillator waves (sine, half sine,
// absolute sine, alternating sine, camel sine, triangle, square, saw).
void buildWaveMemory(int32_t* memory);

}  // namespace ovri::korvane::synth

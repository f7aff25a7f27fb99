#pragma once

// The vector form of the FM run: several voices that share a connection
// structure advance one sample per step side by side, one voice per lane.
// Only plain data is declared here: the kernels are compiled for their
// instruction set in files of their own, and nothing inline may be shared
// between those and the rest of the library.
#include <cstdint>

namespace ovri::korvane::synth {

// Instruction sets the FM runs can use, in rising order.
enum class VectorLevel : int32_t { Scalar = 0, Sse41 = 1, Avx2 = 2 };

// The best level this machine supports (read from the processor once).
VectorLevel supportedVectorLevel();

constexpr int32_t kFmLanes = 8;       // lanes of the widest kernel
constexpr int32_t kFmMaxRun = 64;     // samples one kernel call renders at most

// The state of up to kFmLanes voices, lane by lane, kept from one kernel
// call to the next while the lanes' voices stay in them. A lane or an
// operator that does not sound holds zeros (its results are discarded).
struct FmLaneState {
  int32_t wave[4][kFmLanes];        // offset of the operator's wave in FmTables::waves
  int32_t curve[4][kFmLanes];       // offset of its envelope curve in FmTables::curves
  uint32_t phase[4][kFmLanes];
  int32_t phaseInc[4][kFmLanes];
  int32_t egPosition[4][kFmLanes];
  int32_t egRate[4][kFmLanes];
  int32_t level[4][kFmLanes];       // as in the scalar run, without the envelope attenuation
  int32_t sounding[4][kFmLanes];    // -1 when the operator sounds, else 0
  int32_t feedback[kFmLanes];
  float gainL[kFmLanes];
  float gainR[kFmLanes];
  // Where each lane adds its n samples (out x gain) in a call.
  float* left[kFmLanes];
  float* right[kFmLanes];
  // The kernels' own: each sample's carrier sums, lane by lane.
  alignas(32) float out[kFmMaxRun][kFmLanes];
  // Rows for lanes without a voice.
  float unused[2][kFmMaxRun];
};

struct FmTables {
  const int32_t* waves;
  const int32_t* curves;  // the linear envelope curve (entry i = 2i); other curves lie at offsets from it
  const int32_t* expI;
  const float* expF;
};

// Renders n (1..kFmMaxRun) samples of every lane and adds them to the
// lanes' rows; phase is left advanced, and egPosition too unless steady.
// steady: no lane's curve index changes in the n samples, so each
// attenuation is read once.
using FmKernel = void (*)(FmLaneState& lanes, const FmTables& tables, int32_t n);

// The kernel for connection structure s (0..7) at the given level
// (Sse41: 4 lanes, Avx2: 8), steady or not.
FmKernel fmKernelSse41(int32_t structure, bool steady);
FmKernel fmKernelAvx2(int32_t structure, bool steady);

}  // namespace ovri::korvane::synth

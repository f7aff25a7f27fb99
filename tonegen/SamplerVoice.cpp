// Sampler notes: operator 0 plays a sample slot's logSample codes at an
// integer frame position (no interpolation), with the operator envelope
// and level; no LFO, no key follow.
//
// Bounds: a slot is only played when it has data (samples non-null, length
// and channels at least 1). The frame bounds in use are kept within
// 0..length whatever the slot's fields say: the start frame is clamped to
// 0..length, the end and loop end to 0..length, and each loop length to at
// most its end, so a wrap never lands below frame 0. A slot whose fields
// break the usual ordering (start < end <= length, loop inside it) plays
// something within its data, or stops; it never reads outside
// samples[0 .. length x channels).
#include "tonegen/VoiceUnitFM4.h"

#include <algorithm>
#include <cstddef>

namespace ovri::korvane::synth {

using namespace fixedpoint;

namespace {
constexpr int32_t kFractionBits = 16;        // phaseInc and sampleFraction: 16.16 frames
constexpr int32_t kFractionMask = 0xFFFF;
constexpr int32_t kOwnPitchOctave = 9;       // (octv - 9) x 8192 + tune 8192: the recorded speed
}  // namespace

void VoiceUnitFM4::startSample(int32_t partIndex, int32_t playedKey, int32_t velocity) {
  stateByte = 0x01 | kKeyHeld;  // operator 0 only
  part = partIndex;
  key = playedKey;

  const PartState& partState = parts[partIndex & 15];
  const SamplerPreset& preset = samplerPresets[playedKey & 127];
  const SampleData& slot = sampleSlots[preset.smplNum & 127];
  if (slot.samples == nullptr || slot.length < 1 || slot.channels < 1) {
    becomeIdle();
    return;
  }

  OperatorState& op = operators[0];
  op.wave = slot.samples;
  op.lfoPitch = 0;
  op.lfoAmp = 0;
  const int32_t length = slot.length;
  sampler.endInUse = clampTo(slot.loopEnd, 0, length);
  sampler.loopInUse = std::min(slot.loopLength, sampler.endInUse);
  sampler.releaseEnd = clampTo(slot.end, 0, length);
  sampler.releaseLoop = std::min(slot.loopTail, sampler.releaseEnd);

  setupMix(partState, velocity & 127, preset.pan & 127);
  setupBend(partState);

  // Playback step in 16.16 frames: 2^16 x (recording rate / output rate)
  // x 2^(octv - 9) x 2^(tune / 8192); samplePitchBase = 16 octaves - L(fs).
  op.pitch = ((preset.octv & 15) - kOwnPitchOctave) * kUnitsPerOctave + rates.samplePitchBase + slot.logRate +
             (preset.tune & 0x3FFF);
  op.phaseInc = increment(op.pitch + bendOffset);
  op.phase = static_cast<uint32_t>(clampTo(slot.start, 0, length));
  sampler.sampleFraction = 0;

  // Level and envelope: velocity acts through the gain only.
  const int32_t tl = clampTo(preset.tl, 0, kLevelTableSize - 1);
  op.outputLevel = levelTable[tl];
  op.silenceLimit = sustainTable[clampTo(128 - tl, 0, kSustainTableSize - 1)];
  op.sl = clampTo(preset.sl, 0, kSustainTableSize - 1);
  op.sustainLimit = std::min(sustainTable[op.sl], op.silenceLimit);
  op.decayRate = rate(clampTo(preset.dr, 0, 255) * kRateParameterUnit + rates.rateBase);
  op.releaseRate = rate(clampTo(preset.rr, 0, 255) * kRateParameterUnit + rates.rateBase);
  const int32_t ar = clampTo(preset.ar, 0, 255);
  startEnvelope(op, ar, ar < 127 ? rate(ar * kRateParameterUnit + rates.rateBase) : 0, attackCurve, linearCurve);

  routine = kSamplerMono + ((slot.channels - 1) & 1);
  renderUntil = renderTable[routine];
}

// Per sample: envelope check, attenuation, position check (stop, or wrap
// back by the loop length), read, then advance by phaseInc in 16.16.
// Mono adds the frame to both channels; stereo reads interleaved pairs and
// keeps the channels apart.
template <bool Stereo>
void VoiceUnitFM4::renderSampler(float* left, float* right, int32_t end) {
  OperatorState& op = operators[0];
  const int32_t* samples = op.wave;
  const float gainL = mixState.gainL;
  const float gainR = mixState.gainR;
  for (int32_t position = renderPosition; position < end; ++position) {
    if (op.egLimit <= op.egPosition && advanceEnvelope(op, linearCurve) == EnvelopeStage::Off) {
      renderPosition = position;
      becomeIdle();
      return;
    }
    const int32_t attenuation = op.curve[op.egPosition >> kCurveShift] + op.outputLevel;

    const uint32_t stopFrame = static_cast<uint32_t>(sampler.endInUse);
    if (op.phase >= stopFrame) {
      const int32_t loop = sampler.loopInUse;
      if (loop < 1) {
        renderPosition = position;
        becomeIdle();
        return;
      }
      // Subtracting the loop length until the position is below the end
      // leaves it in loopStart .. end - 1 with the same remainder.
      const uint32_t loopStart = stopFrame - static_cast<uint32_t>(loop);
      op.phase = loopStart + (op.phase - loopStart) % static_cast<uint32_t>(loop);
    }

    const size_t frame = op.phase;
    if constexpr (Stereo) {
      left[position] += expTableF[samples[2 * frame] + attenuation] * gainL;
      right[position] += expTableF[samples[2 * frame + 1] + attenuation] * gainR;
    } else {
      const float v = expTableF[samples[frame] + attenuation];
      left[position] += v * gainL;
      right[position] += v * gainR;
    }

    op.egPosition += op.egRate;
    const uint32_t step = static_cast<uint32_t>(op.phaseInc) + static_cast<uint32_t>(sampler.sampleFraction);
    op.phase += step >> kFractionBits;
    sampler.sampleFraction = static_cast<int32_t>(step & kFractionMask);
  }
  if (renderPosition < end) renderPosition = end;
}

void VoiceUnitFM4::renderSamplerMono(float*& l, float*& r, int32_t& e) { renderSampler<false>(l, r, e); }
void VoiceUnitFM4::renderSamplerStereo(float*& l, float*& r, int32_t& e) { renderSampler<true>(l, r, e); }

}  // namespace ovri::korvane::synth

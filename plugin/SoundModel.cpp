#include "plugin/SoundModel.h"

#include "engine/SynthesizerFM4.h"

namespace ovri::korvane {

PartSettings PartSettings::of(const synth::PartState& p) {
  return {p.output,    p.defaultMode,    p.mode,           p.program,         p.bendRange,
          p.pitchBend, p.controllers[1], p.controllers[7], p.controllers[10], p.controllers[11]};
}

void PartSettings::applyTo(synth::PartState& p, bool withOutput) const {
  if (withOutput) p.output = output;
  p.defaultMode = defaultMode;
  p.mode = mode;
  p.program = program;
  p.bendRange = bendRange;
  p.pitchBend = pitchBend;
  p.controllers[1] = modulation;
  p.controllers[7] = volume;
  p.controllers[10] = pan;
  p.controllers[11] = expression;
}

void SoundModel::copyFrom(synth::SynthesizerFM4& engine) {
  settings.receiveSysEx = engine.getReceiveSysEx();
  settings.nrpnEnabled = engine.isNrpnEnabled();
  settings.masterVolume = engine.getMasterVolume();
  settings.masterTune = engine.getMasterTune();
  settings.polyphony = engine.getPolyphony();
  for (int32_t i = 0; i < synth::kPartCount; ++i) parts[i] = engine.getPart(i);
  for (int32_t i = 0; i < synth::kToneCount; ++i) tones[i] = engine.getTonePreset(i);
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) samplers[i] = engine.getSamplerPreset(i);
  for (int32_t i = 0; i < synth::kSampleSlotCount; ++i) slots[i] = engine.getSampleData(i).parameters();
}

void SoundModel::resetParts(bool restoreModes) {
  for (synth::PartState& p : parts) {
    p.resetControllers();
    if (restoreModes) p.mode = p.defaultMode;
  }
}

void SoundModel::resetRegisters() {
  for (synth::PartState& p : parts) p.resetRegisters();
}

}  // namespace ovri::korvane

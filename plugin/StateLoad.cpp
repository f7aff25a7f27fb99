#include "plugin/StateLoad.h"

#include "sampleimport/SampleImport.h"
#include "tonegen/LogCode.h"

#include <algorithm>
#include <filesystem>
#include <memory>

namespace ovri::korvane::plugin {

namespace {

using namespace synth;

// The rates and points of a slot's image record, on a freshly imported
// recording: points only when they lie within it, a loop only within them.
void applySlotFields(SampleData& d, const StateImage::Slot& s) {
  d.sampleRate = s.sampleRate;
  d.pitch = s.pitch;
  d.logRate = logPitchUnitsF(d.sampleRate);
  d.logPitch = logPitchUnitsF(d.pitch);
  d.pitchOffset = d.logRate - d.logPitch;
  if (s.start >= 0 && s.start < s.end && s.end <= d.length) {
    d.start = s.start;
    d.end = s.end;
    d.loopEnd = s.end;
    d.loopLength = d.loopTail = 0;
  }
  if (s.loopStart >= d.start && s.loopStart < s.loopEnd && s.loopEnd <= d.end) {
    d.loopEnd = s.loopEnd;
    d.loopLength = s.loopEnd - s.loopStart;
    d.loopTail = s.loopEnd == d.end ? d.loopLength : 0;
  } else {
    d.loopEnd = d.end;
    d.loopLength = d.loopTail = 0;
  }
}

bool isAbsolute(const std::string& path) {
  return !path.empty() && std::filesystem::path(path).is_absolute();
}

}  // namespace

void captureStateImage(EngineHost& host, StateImage& image) {
  host.synchronize();
  const SoundModel& m = host.model;
  image.version = StateImage::kVersion;
  image.receiveSysEx = m.settings.receiveSysEx;
  image.nrpnEnabled = m.settings.nrpnEnabled;
  image.masterVolume = m.settings.masterVolume;
  image.masterTune = m.settings.masterTune;
  image.polyphony = m.settings.polyphony;
  for (int32_t i = 0; i < kPartCount; ++i) image.parts[i] = PartSettings::of(m.parts[i]);
  for (int32_t i = 0; i < kToneCount; ++i) image.tones[i] = m.tones[i];
  for (int32_t i = 0; i < kSamplerPresetCount; ++i) image.samplers[i] = m.samplers[i];
  for (int32_t i = 0; i < kSampleSlotCount; ++i) {
    const SampleParameters& d = m.slots[i];
    StateImage::Slot& slot = image.slots[i];
    slot.sampleRate = d.sampleRate;
    slot.pitch = d.pitch;
    const bool loop = d.loopLength > 0;
    slot.start = d.start;
    slot.end = d.end;
    slot.loopStart = loop ? d.loopEnd - d.loopLength : 0;
    slot.loopEnd = loop ? d.loopEnd : 0;
    if (d.length == 0 && host.slotPoints[i].valid) {  // file missing since the last load
      const EngineHost::SlotPoints& kept = host.slotPoints[i];
      slot.start = kept.start;
      slot.end = kept.end;
      slot.loopStart = kept.loopStart;
      slot.loopEnd = kept.loopEnd;
    }
    const char* path = host.getSampleFilePath(i);
    slot.present = path != nullptr;
    slot.path = path != nullptr ? path : "";
    slot.mode = static_cast<uint8_t>(host.importModes[i]);
  }
  image.valuesRead = 0;
  image.complete = true;
}

bool loadStateImage(EngineHost& host, const StateImage& image) {
  if (!image.complete) return false;
  const int32_t version = std::min<int32_t>(image.version, StateImage::kVersion);

  // What the image leaves as it is keeps the value in force: the engine's
  // own while no audio thread runs, else the main thread's copy of it.
  host.synchronize();
  const bool engineIdle = !host.isAudioRunning();
  const int32_t polyphonyInForce = engineIdle ? host.synth->getPolyphony() : host.model.settings.polyphony;
  auto outputInForce = [&](int32_t part) {
    return engineIdle ? host.synth->getPart(part).output : host.model.parts[part].output;
  };

  // Everything is built apart; the host is not touched until it is ready.
  auto state = std::make_unique<StateInstall>();
  EngineSettings& settings = state->settings;
  settings.receiveSysEx = image.receiveSysEx;
  settings.nrpnEnabled = image.nrpnEnabled;
  settings.masterVolume = std::clamp(image.masterVolume, 0.0f, 1.0f);  // finite: the reader checked
  settings.masterTune = image.masterTune;
  settings.polyphony = image.polyphony > 0 ? SynthesizerFM4::roundVoiceCount(image.polyphony) : polyphonyInForce;
  std::copy(std::begin(image.parts), std::end(image.parts), state->parts);
  // Images before version 3 keep the outputs in force.
  if (version < 3)
    for (int32_t i = 0; i < kPartCount; ++i) state->parts[i].output = outputInForce(i);
  std::copy(std::begin(image.tones), std::end(image.tones), state->tones);
  std::copy(std::begin(image.samplers), std::end(image.samplers), state->samplers);

  auto kept = std::make_unique<EngineHost::SlotPoints[]>(kSampleSlotCount);
  size_t sampleBudget = kMaxStateSampleBytes;
  for (int32_t i = 0; i < kSampleSlotCount; ++i) {
    const StateImage::Slot& slot = image.slots[i];
    if (!slot.present) continue;
    SampleData& d = state->slots[i];
    auto result = sampleimport::WavLoadResult::CannotOpen;
    if (isAbsolute(slot.path))
      result = sampleimport::loadWavFile(
          slot.path, sampleimport::importModeOf(slot.mode), d, sampleBudget);
    if (result == sampleimport::WavLoadResult::Loaded)
      sampleBudget -= sampleimport::decodedBytes(static_cast<size_t>(d.length), static_cast<size_t>(d.channels));
    else
      kept[i] = {true, slot.start, slot.end, slot.loopStart, slot.loopEnd};
    applySlotFields(d, slot);
  }

  // The main thread's copy takes the new state as the engine will.
  SoundModel& m = host.model;
  m.settings = settings;
  m.resetRegisters();  // switching the reception flags does this in the engine
  for (int32_t i = 0; i < kPartCount; ++i) state->parts[i].applyTo(m.parts[i], true);
  for (int32_t i = 0; i < kToneCount; ++i) static_cast<ToneParameters&>(m.tones[i]) = state->tones[i];
  for (int32_t i = 0; i < kSamplerPresetCount; ++i) m.samplers[i] = state->samplers[i];
  for (int32_t i = 0; i < kSampleSlotCount; ++i) {
    m.slots[i] = state->slots[i].parameters();
    const StateImage::Slot& slot = image.slots[i];
    host.forgetSampleFile(i);
    if (!slot.present) continue;
    host.setSampleFilePath(i, slot.path.c_str());
    host.importModes[i] = sampleimport::importModeOf(slot.mode);
    host.slotPoints[i] = kept[i];
  }
  EngineCommand command;
  command.kind = CommandKind::kState;
  command.object = state.release();
  host.submit(command);
  return true;
}

}  // namespace ovri::korvane::plugin

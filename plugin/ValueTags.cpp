#include "plugin/ValueTags.h"

#include "tonegen/LogCode.h"
#include "tonegen/SoundFields.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace ovri::korvane::plugin {

namespace {

using namespace synth;

float clampUnit(float v) {
  if (!(v > 0.0f)) return 0.0f;  // NaN too
  return v > 1.0f ? 1.0f : v;
}

// n = (int)(v x R + 0.5) in single precision.
int32_t scaled(float v, int32_t range) {
  return static_cast<int32_t>(clampUnit(v) * static_cast<float>(range) + 0.5f);
}

float ratio(int32_t n, int32_t range) { return static_cast<float>(n) / static_cast<float>(range); }

// A raw frame position: the value truncated to int.
int32_t framePosition(float v) {
  if (!(v > -2147483520.0f)) return v != v ? 0 : INT32_MIN;
  if (v > 2147483520.0f) return INT32_MAX;
  return static_cast<int32_t>(v);
}

// A raw frequency in Hz, kept finite and non-negative.
float frequency(float v) {
  if (!(v > 0.0f)) return 0.0f;
  return std::min(v, 1.0e9f);
}

template <typename Slot> int32_t loopStartInForce(const Slot& d) { return d.loopLength > 0 ? d.loopEnd - d.loopLength : 0; }
template <typename Slot> int32_t loopEndInForce(const Slot& d) { return d.loopLength > 0 ? d.loopEnd : 0; }

void clearLoop(SampleParameters& d) {
  d.loopEnd = d.end;
  d.loopLength = 0;
  d.loopTail = 0;
}

// A loop from ls to le if start <= ls < le <= end, otherwise none.
void setLoop(SampleParameters& d, int32_t ls, int32_t le) {
  if (d.start <= ls && ls < le && le <= d.end) {
    d.loopEnd = le;
    d.loopLength = le - ls;
  } else {
    d.loopEnd = d.end;
    d.loopLength = 0;
  }
  d.loopTail = d.loopEnd == d.end ? d.loopLength : 0;
}

// The loop points typed so far are kept per slot in the host's main side
// (EngineHost::loopEntries). While no loop is in force a point is kept once
// it lies in the play range, and the loop comes on when the pair forms one,
// so the two can be set in either order. While a loop is in force they are
// its points.

// The slot's entry, brought up to date with the loop in force.
LoopEntry& loopEntry(EngineHost& host, int32_t slot, const SampleParameters& d) {
  LoopEntry& e = host.loopEntries[slot & (kSampleSlotCount - 1)];
  if (d.loopLength > 0) e = {loopStartInForce(d), loopEndInForce(d), d.length};
  if (e.length != d.length) e = {-1, -1, d.length};
  return e;
}

// One point entered: kept when it lies in the play range; the loop is the
// pair when both are entered and form one, else off.
float enterLoopPoint(EngineHost& host, SampleParameters& d, bool isStart, int32_t point) {
  LoopEntry& e = loopEntry(host, host.selectedSample, d);
  if (d.start <= point && point <= d.end) (isStart ? e.start : e.end) = point;
  if (e.start >= 0 && e.end >= 0 && e.start < e.end && d.start <= e.start && e.end <= d.end)
    setLoop(d, e.start, e.end);
  else
    setLoop(d, 0, 0);  // off
  const int32_t shown = isStart ? e.start : e.end;
  return static_cast<float>(std::max(shown, 0));
}

// After a play range change: a loop that still fits stays.
void keepLoopIfItFits(SampleParameters& d) {
  if (d.loopLength > 0) setLoop(d, loopStartInForce(d), loopEndInForce(d));
  else clearLoop(d);
}

// After a part selection or mode change: the editor's tone or sample page
// follows what the selected part plays.
void refreshSelection(EngineHost& host) {
  const PartState& p = *host.part;
  if (p.mode == kModeMute || p.mode == kModeInstrument)
    host.selectTone(p.program);
  else if (p.mode == kModePercussion)
    host.selectTone(kPercussionToneBase);
  else if (p.mode == kModeSampler)
    host.selectSample(host.samplerPreset->smplNum);
}

void send(EngineHost& host, CommandKind kind, int32_t part = 0, int32_t a = 0, int32_t b = 0, float value = 0.0f) {
  EngineCommand c;
  c.kind = kind;
  c.part = part;
  c.a = a;
  c.b = b;
  c.value = value;
  host.submit(c);
}

// The selected tone, sampler preset or sample slot, as the model now holds it.
void sendSelectedTone(EngineHost& host) {
  auto update = std::make_unique<RecordUpdate>();
  update->tones.emplace_back(host.selectedTone, *host.tone);
  host.submitRecords(std::move(update));
}

void sendSelectedSampler(EngineHost& host) {
  auto update = std::make_unique<RecordUpdate>();
  update->samplers.emplace_back(host.selectedSamplerPreset, *host.samplerPreset);
  host.submitRecords(std::move(update));
}

void sendSelectedSample(EngineHost& host, bool stopVoices) {
  auto update = std::make_unique<RecordUpdate>();
  update->stopVoices = stopVoices;
  update->slots.emplace_back(host.selectedSample, *host.sample);
  host.submitRecords(std::move(update));
}

// The mode a part takes: at most the highest mode.
int32_t boundedMode(int32_t mode) { return mode < kModeSampler ? mode : kModeSampler; }

std::optional<float> systemPage(EngineHost& host, int32_t item, float v) {
  EngineSettings& s = host.model.settings;
  switch (item) {
    case 0x01:
      v = clampUnit(v);
      s.masterVolume = v;
      send(host, CommandKind::kMasterVolume, 0, 0, 0, v);
      return v;
    case 0x02:
      v = clampUnit(v);
      s.masterTune = 400.0f + 80.0f * v;
      send(host, CommandKind::kMasterTune, 0, 0, 0, s.masterTune);
      return v;
    case 0x81:
      host.model.resetParts(true);
      send(host, CommandKind::kResetAllParts);
      return 0.0f;
    case 0x83:
      s.receiveSysEx = !s.receiveSysEx;
      send(host, CommandKind::kReceiveSysEx, 0, s.receiveSysEx ? 1 : 0);
      return s.receiveSysEx ? 1.0f : 0.0f;
    case 0x84:
      s.nrpnEnabled = !s.nrpnEnabled;
      host.model.resetRegisters();
      send(host, CommandKind::kNrpnEnabled, 0, s.nrpnEnabled ? 1 : 0);
      return s.nrpnEnabled ? 1.0f : 0.0f;
    default:
      return std::nullopt;
  }
}

std::optional<float> partPage(EngineHost& host, int32_t item, float v) {
  const int32_t p = host.selectedPart;
  PartState& part = *host.part;
  switch (item) {
    case 0x01: {
      const int32_t n = scaled(v, 15);
      host.selectPart(n);
      refreshSelection(host);
      return ratio(n, 15);
    }
    case 0x02: {
      part.mode = boundedMode(scaled(v, 3));
      send(host, CommandKind::kPartMode, p, part.mode);
      refreshSelection(host);
      return ratio(part.mode, 3);
    }
    case 0x03: {
      const int32_t n = scaled(v, 127);
      part.program = n;
      send(host, CommandKind::kProgramChange, p, n);
      if (part.mode == kModeMute || part.mode == kModeInstrument) host.selectTone(n);
      return ratio(n, 127);
    }
    case 0x04: {
      const int32_t n = scaled(v, 127);
      part.bendRange = n;
      send(host, CommandKind::kBendRange, p, n);
      return ratio(n, 127);
    }
    case 0x05: {
      const int32_t n = scaled(v, 16383);
      part.pitchBend = n;
      send(host, CommandKind::kPitchBend, p, n);
      return ratio(n, 16383);
    }
    case 0x06:
    case 0x07:
    case 0x08:
    case 0x09: {
      static constexpr int32_t kControllers[4] = {1, 7, 10, 11};
      const int32_t n = scaled(v, 127);
      part.controllers[kControllers[item - 0x06]] = n;
      send(host, CommandKind::kControlChange, p, kControllers[item - 0x06], n);
      return ratio(n, 127);
    }
    case 0x81:
      part.resetControllers();
      part.mode = kModeInstrument;
      send(host, CommandKind::kResetPart, p);
      refreshSelection(host);
      return 0.0f;
    case 0x82:
      part.resetRegisters();  // what controller 121 does to the part
      send(host, CommandKind::kControlChange, p, 121, 0);
      return 0.0f;
    case 0x83:
      send(host, CommandKind::kSoundOff);
      return 0.0f;
    case 0x90: {
      const int32_t n = scaled(v, 15);
      part.output = n;
      send(host, CommandKind::kPartOutput, p, n);
      return ratio(n, 15);
    }
    default:
      return std::nullopt;
  }
}

// Tone and sampler preset fields come from the records' field tables; the
// remaining items select, reset or (the name) are not values.
std::optional<float> storeField(TaggedField field, float v) {
  *field.value = scaled(v, field.range);
  return ratio(*field.value, field.range);
}

std::optional<float> tonePage(EngineHost& host, int32_t item, float v) {
  if (const TaggedField field = toneTaggedField(*host.tone, item); field.value != nullptr) {
    const auto answer = storeField(field, v);
    sendSelectedTone(host);
    return answer;
  }
  switch (item) {
    case 0x01: {
      const int32_t n = scaled(v, 255);
      host.selectTone(n);
      return ratio(n, 255);
    }
    case 0x02:  // the editor wrote the name into the model: the engine takes the record
      sendSelectedTone(host);
      return std::nullopt;
    case 0x81:
      host.tone->setDefaults();
      sendSelectedTone(host);
      return clampUnit(v);
    default:
      return std::nullopt;  // 0x80 (the tone menu) included
  }
}

std::optional<float> samplerPage(EngineHost& host, int32_t item, float v) {
  SamplerPreset& sp = *host.samplerPreset;
  if (const TaggedField field = samplerTaggedField(sp, item); field.value != nullptr) {
    const auto answer = storeField(field, v);
    sendSelectedSampler(host);
    if (field.value == &sp.smplNum) host.selectSample(sp.smplNum);
    return answer;
  }
  switch (item) {
    case 0x01: {
      const int32_t n = scaled(v, 127);
      host.selectSamplerPreset(n);
      host.selectSample(host.samplerPreset->smplNum);
      return ratio(n, 127);
    }
    case 0x02:  // the name, as for tones
      sendSelectedSampler(host);
      return std::nullopt;
    case 0x81:
      sp.setDefaults();
      sendSelectedSampler(host);
      return clampUnit(v);
    default:
      return std::nullopt;
  }
}

// The sample data page.
std::optional<float> samplePage(EngineHost& host, int32_t item, float v) {
  SampleParameters& d = *host.sample;
  switch (item) {
    case 0x01: {
      const int32_t n = scaled(v, 127);
      host.selectSample(n);
      return ratio(n, 127);
    }
    case 0x04:
      d.sampleRate = frequency(v);
      d.logRate = logPitchUnitsF(d.sampleRate);
      d.pitchOffset = d.logRate - d.logPitch;
      sendSelectedSample(host, false);
      return d.sampleRate;
    case 0x05:
      d.pitch = frequency(v);
      d.logPitch = logPitchUnitsF(d.pitch);
      d.pitchOffset = d.logRate - d.logPitch;
      sendSelectedSample(host, false);
      return d.pitch;
    case 0x07: {
      const int32_t start = framePosition(v);
      if (start >= 0 && start < d.end && d.end <= d.length) {
        d.start = start;
        keepLoopIfItFits(d);
      }
      sendSelectedSample(host, true);
      return static_cast<float>(d.start);
    }
    case 0x08: {
      const int32_t end = framePosition(v);
      if (d.start < end && end <= d.length) {
        d.end = end;
        keepLoopIfItFits(d);
      }
      sendSelectedSample(host, true);
      return static_cast<float>(d.end);
    }
    case 0x09:
    case 0x0A: {
      const float shown = enterLoopPoint(host, d, item == 0x09, framePosition(v));
      sendSelectedSample(host, true);
      return shown;
    }
    case 0x81: {
      // An empty recording replaces the slot's; the old one comes back to
      // be freed here.
      auto install = std::make_unique<SampleInstall>();
      install->slot = host.selectedSample;
      d = SampleParameters{};
      host.forgetSampleFile(host.selectedSample);
      forgetLoopPoints(host, host.selectedSample);
      EngineCommand c;
      c.kind = CommandKind::kSample;
      c.object = install.release();
      host.submit(c);
      return clampUnit(v);
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

LoopPoints shownLoopPoints(const EngineView& view, int32_t slot) {
  const SampleParameters& d = view.soundModel().slots[slot & (kSampleSlotCount - 1)];
  if (d.loopLength > 0) return {loopStartInForce(d), loopEndInForce(d)};
  const LoopEntry& e = view.enteredLoop(slot);
  if (e.length != d.length) return {0, 0};
  return {std::max(e.start, 0), std::max(e.end, 0)};
}

void forgetLoopPoints(EngineHost& host, int32_t slot) { host.loopEntries[slot & (kSampleSlotCount - 1)] = LoopEntry{}; }

std::optional<float> applyValueChange(EngineHost& host, int32_t tag, float value) {
  if (tag == tags::kPolyphony) {
    const int32_t index = static_cast<int32_t>(clampUnit(value) * 8.0f);
    host.changePolyphony(4 << index);  // 4, 8, ... 1024
    return ratio(index, 8);            // the count in force, as the editor's menu shows it
  }
  host.synchronize();
  const int32_t item = tag & tags::kItemMask;
  switch (tag & tags::kPageMask) {
    case tags::kSystemPage: return systemPage(host, item, value);
    case tags::kPartPage: return partPage(host, item, value);
    case tags::kTonePage: return tonePage(host, item, value);
    case tags::kSamplerPage: return samplerPage(host, item, value);
    case tags::kSamplePage: return samplePage(host, item, value);
    default: return std::nullopt;
  }
}

}  // namespace ovri::korvane::plugin

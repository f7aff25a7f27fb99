#include "plugin/ValueTags.h"

#include "plugin/PageItems.h"
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

// A selection: the page shows another part, tone, preset or slot.
bool select(EngineHost& host, int32_t tag, int32_t n) {
  switch (tag) {
    case tags::kSelectPart:
      host.selectPart(n);
      refreshSelection(host);
      break;
    case tags::kSelectTone: host.selectTone(n); break;
    case tags::kSelectSamplerPreset:
      host.selectSamplerPreset(n);
      host.selectSample(host.samplerPreset->smplNum);
      break;
    case tags::kSelectSample: host.selectSample(n); break;
    default: return false;
  }
  return true;
}

// A field of the selected part, tone or sampler preset: stored as the
// table says, then the engine is told.
std::optional<float> storeField(EngineHost& host, const PageItem& item, float v) {
  int32_t n = scaled(v, item.range);
  if (!item.field) {
    if (!select(host, item.tag, n)) return std::nullopt;
    return ratio(n, item.range);
  }
  if (item.tag == tags::kPartMode) n = boundedMode(n);
  int32_t& field = *item.field(host.model, host.selection());
  field = n;
  switch (item.tag & tags::kPageMask) {
    case tags::kPartPage: {
      const int32_t p = host.selectedPart;
      if (item.command == CommandKind::kControlChange)
        send(host, item.command, p, static_cast<int32_t>(item.midiNumber), n);
      else
        send(host, item.command, p, n);
      if (item.tag == tags::kPartMode) refreshSelection(host);
      if (item.tag == tags::kProgram && (host.part->mode == kModeMute || host.part->mode == kModeInstrument))
        host.selectTone(n);
      break;
    }
    case tags::kTonePage: sendSelectedTone(host); break;
    case tags::kSamplerPage:
      sendSelectedSampler(host);
      if (&field == &host.samplerPreset->smplNum) host.selectSample(n);
      break;
    default: break;
  }
  return ratio(n, item.range);
}

std::optional<float> setMasterVolume(EngineHost& host, float v) {
  v = clampUnit(v);
  host.model.settings.masterVolume = v;
  send(host, CommandKind::kMasterVolume, 0, 0, 0, v);
  return v;
}

std::optional<float> setMasterTune(EngineHost& host, float v) {
  EngineSettings& s = host.model.settings;
  v = clampUnit(v);
  s.masterTune = 400.0f + 80.0f * v;
  send(host, CommandKind::kMasterTune, 0, 0, 0, s.masterTune);
  return v;
}

// The engine's switches; the sustain pedal switch is the processor's own.
std::optional<float> toggle(EngineHost& host, int32_t tag) {
  EngineSettings& s = host.model.settings;
  switch (tag) {
    case tags::kReceiveSysEx:
      s.receiveSysEx = !s.receiveSysEx;
      send(host, CommandKind::kReceiveSysEx, 0, s.receiveSysEx ? 1 : 0);
      return s.receiveSysEx ? 1.0f : 0.0f;
    case tags::kNrpnEnable:
      s.nrpnEnabled = !s.nrpnEnabled;
      host.model.resetRegisters();
      send(host, CommandKind::kNrpnEnabled, 0, s.nrpnEnabled ? 1 : 0);
      return s.nrpnEnabled ? 1.0f : 0.0f;
    default:
      return std::nullopt;
  }
}

// The selected slot's sample rate or pitch, raw Hz.
std::optional<float> setFrequency(EngineHost& host, int32_t tag, float v) {
  SampleParameters& d = *host.sample;
  if (tag == (tags::kSamplePage | 0x04)) {
    d.sampleRate = frequency(v);
    d.logRate = logPitchUnitsF(d.sampleRate);
    d.pitchOffset = d.logRate - d.logPitch;
    sendSelectedSample(host, false);
    return d.sampleRate;
  }
  d.pitch = frequency(v);
  d.logPitch = logPitchUnitsF(d.pitch);
  d.pitchOffset = d.logRate - d.logPitch;
  sendSelectedSample(host, false);
  return d.pitch;
}

// A play range or loop point of the selected slot, raw frames.
std::optional<float> setFramePoint(EngineHost& host, int32_t tag, float v) {
  SampleParameters& d = *host.sample;
  switch (tag & tags::kItemMask) {
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
    default: {
      const float shown = enterLoopPoint(host, d, (tag & tags::kItemMask) == 0x09, framePosition(v));
      sendSelectedSample(host, true);
      return shown;
    }
  }
}

// The editor wrote the name into the model: the engine takes the record.
std::optional<float> takeName(EngineHost& host, int32_t tag) {
  if (tag == tags::kToneName) sendSelectedTone(host);
  else sendSelectedSampler(host);
  return std::nullopt;
}

// The resets and the clearing of a slot.
std::optional<float> act(EngineHost& host, int32_t tag, float v) {
  const int32_t p = host.selectedPart;
  PartState& part = *host.part;
  switch (tag) {
    case tags::kResetAllParts:
      host.model.resetParts(true);
      send(host, CommandKind::kResetAllParts);
      return 0.0f;
    case tags::kPartPage | 0x81:
      part.resetControllers();
      part.mode = kModeInstrument;
      send(host, CommandKind::kResetPart, p);
      refreshSelection(host);
      return 0.0f;
    case tags::kPartPage | 0x82:
      part.resetRegisters();  // what controller 121 does to the part
      send(host, CommandKind::kControlChange, p, 121, 0);
      return 0.0f;
    case tags::kPartPage | 0x83:
      send(host, CommandKind::kSoundOff);
      return 0.0f;
    case tags::kTonePage | 0x81:
      host.tone->setDefaults();
      sendSelectedTone(host);
      return clampUnit(v);
    case tags::kSamplerPage | 0x81:
      host.samplerPreset->setDefaults();
      sendSelectedSampler(host);
      return clampUnit(v);
    case tags::kClearSample: {
      // An empty recording replaces the slot's; the old one comes back to
      // be freed here.
      auto install = std::make_unique<SampleInstall>();
      install->slot = host.selectedSample;
      *host.sample = SampleParameters{};
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
  const PageItem* item = findPageItem(tag);
  if (item && item->scale == ItemScale::kPolyphony) {
    const int32_t index = static_cast<int32_t>(clampUnit(value) * 8.0f);
    host.changePolyphony(4 << index);  // 4, 8, ... 1024
    return ratio(index, 8);            // the count in force, as the editor's menu shows it
  }
  host.synchronize();
  if (!item) return std::nullopt;
  switch (item->scale) {
    case ItemScale::kSteps: return storeField(host, *item, value);
    case ItemScale::kGain: return setMasterVolume(host, value);
    case ItemScale::kReferencePitch: return setMasterTune(host, value);
    case ItemScale::kToggle: return toggle(host, tag);
    case ItemScale::kHertz: return setFrequency(host, tag, value);
    case ItemScale::kFrames: return setFramePoint(host, tag, value);
    case ItemScale::kName: return takeName(host, tag);
    case ItemScale::kAction: return act(host, tag, value);
    default: return std::nullopt;
  }
}

}  // namespace ovri::korvane::plugin

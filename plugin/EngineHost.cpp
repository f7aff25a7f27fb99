#include "plugin/EngineHost.h"

#include <cstring>
#include <unordered_map>

namespace ovri::korvane {

namespace {

// Wrap-safe "a is not older than b" for command numbers.
bool notOlder(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) >= 0; }

constexpr uint32_t kAllParts = (1u << synth::kPartCount) - 1;

bool sameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// The hosts alive in this process, by address, with their serial numbers.
struct LiveHosts {
  std::mutex mutex;
  std::unordered_map<const EngineHost*, uint64_t> serials;
  uint64_t next = 1;
};
LiveHosts& liveHosts() {
  static LiveHosts hosts;
  return hosts;
}

}  // namespace

uint64_t EngineHost::liveSerial(const EngineHost* host) {
  LiveHosts& hosts = liveHosts();
  std::lock_guard<std::mutex> lock(hosts.mutex);
  const auto it = hosts.serials.find(host);
  return it == hosts.serials.end() ? 0 : it->second;
}

EngineHost::EngineHost()
    : rack(std::make_unique<ModuleRack>()),
      synth(std::make_unique<synth::SynthesizerFM4>(kMasterTune, kMasterVolume)),
      queue(std::make_unique<util::MidiController>(util::MidiController::kDefaultCapacity)),
      shadowTones(new synth::ToneParameters[synth::kToneCount]),
      shadowSamplers(new synth::SamplerPreset[synth::kSamplerPresetCount]) {
  rack->attach(kQueueSlot, queue.get());
  rack->attach(kSynthSlot, synth.get());
  model.copyFrom(*synth);
  selectPart(0);
  selectTone(0);
  selectSamplerPreset(0);
  selectSample(0);
  LiveHosts& hosts = liveHosts();
  std::lock_guard<std::mutex> lock(hosts.mutex);
  serial = hosts.next++;
  hosts.serials[this] = serial;
}

EngineHost::~EngineHost() {
  {
    LiveHosts& hosts = liveHosts();
    std::lock_guard<std::mutex> lock(hosts.mutex);
    hosts.serials.erase(this);
  }
  audioRunning.store(false);
  applyAllOnMainThread();
  // The rack goes first so that no slot outlives its module.
  rack.reset();
}

// ---------------------------------------------------------------------------
// Main thread

EngineHost::RecordSet EngineHost::recordsOf(const EngineCommand& command) {
  RecordSet r;
  switch (command.kind) {
    case CommandKind::kMasterVolume:
    case CommandKind::kMasterTune:
    case CommandKind::kReceiveSysEx:
    case CommandKind::kPolyphony:
      r.settings = true;
      break;
    case CommandKind::kNrpnEnabled:
    case CommandKind::kResetAllParts:
      r.settings = true;
      r.parts = kAllParts;
      break;
    case CommandKind::kPartMode:
    case CommandKind::kProgramChange:
    case CommandKind::kBendRange:
    case CommandKind::kPitchBend:
    case CommandKind::kControlChange:
    case CommandKind::kResetPart:
    case CommandKind::kPartOutput:
      r.parts = 1u << (command.part & 15);
      break;
    case CommandKind::kRecords: {
      const auto* update = static_cast<const RecordUpdate*>(command.object);
      for (const auto& t : update->tones) r.tones.set(static_cast<size_t>(t.first & (synth::kToneCount - 1)));
      for (const auto& s : update->samplers)
        r.samplers.set(static_cast<size_t>(s.first & (synth::kSamplerPresetCount - 1)));
      break;
    }
    case CommandKind::kState:
      r.settings = true;
      r.parts = kAllParts;
      r.tones.set();
      r.samplers.set();
      break;
    default:
      break;
  }
  return r;
}

void EngineHost::submit(EngineCommand command) {
  command.sequence = nextSequence++;
  const RecordSet touched = recordsOf(command);
  if (touched.settings) sentSettings = command.sequence;
  for (int32_t p = 0; p < synth::kPartCount; ++p)
    if ((touched.parts >> p) & 1) sentParts[p] = command.sequence;
  for (int32_t t = 0; t < synth::kToneCount; ++t)
    if (touched.tones.test(static_cast<size_t>(t))) sentTones[t] = command.sequence;
  for (int32_t s = 0; s < synth::kSamplerPresetCount; ++s)
    if (touched.samplers.test(static_cast<size_t>(s))) sentSamplers[s] = command.sequence;
  pending.push_back(command);
  if (!audioRunning.load(std::memory_order_acquire)) {
    applyAllOnMainThread();
    return;
  }
  flushPending();
}

void EngineHost::submitRecords(std::unique_ptr<RecordUpdate> update) {
  EngineCommand c;
  c.kind = CommandKind::kRecords;
  c.object = update.release();
  submit(c);
}

void EngineHost::flushPending() {
  while (!pending.empty() && commands.push(pending.front())) pending.pop_front();
}

void EngineHost::synchronize() {
  if (!audioRunning.load(std::memory_order_acquire)) {
    applyAllOnMainThread();
    return;
  }
  HandOff* done = nullptr;
  while (returns.pop(done)) delete done;
  SettingsEcho settings;
  while (settingsEchoes.pop(settings))
    if (notOlder(settings.sequence, sentSettings)) model.settings = settings.settings;
  PartEcho part;
  while (partEchoes.pop(part))
    if (notOlder(part.sequence, sentParts[part.index])) model.parts[part.index] = part.part;
  ToneEcho tone;
  while (toneEchoes.pop(tone))
    if (notOlder(tone.sequence, sentTones[tone.index]))
      static_cast<synth::ToneParameters&>(model.tones[tone.index]) = tone.tone;
  SamplerEcho sampler;
  while (samplerEchoes.pop(sampler))
    if (notOlder(sampler.sequence, sentSamplers[sampler.index])) model.samplers[sampler.index] = sampler.preset;
  flushPending();
}

void EngineHost::applyAllOnMainThread() {
  bool applied = false;
  EngineCommand command;
  while (commands.pop(command)) {
    apply(command);
    delete command.object;
    applied = true;
  }
  while (!pending.empty()) {
    command = pending.front();
    pending.pop_front();
    apply(command);
    delete command.object;
    applied = true;
  }
  HandOff* done = nullptr;
  while (returns.pop(done)) delete done;
  // Echoes of the audio thread are superseded by the engine itself.
  SettingsEcho s;
  while (settingsEchoes.pop(s)) applied = true;
  PartEcho p;
  while (partEchoes.pop(p)) applied = true;
  ToneEcho t;
  while (toneEchoes.pop(t)) applied = true;
  SamplerEcho sp;
  while (samplerEchoes.pop(sp)) applied = true;
  // What the commands did, side effects included.
  if (applied && synth != nullptr) model.copyFrom(*synth);
}

void EngineHost::setAudioRunning(bool running) {
  if (running == audioRunning.load(std::memory_order_relaxed)) return;
  if (running) {
    applyAllOnMainThread();
    resetShadow();  // written before the audio thread can see the flag
    audioRunning.store(true, std::memory_order_release);
  } else {
    audioRunning.store(false, std::memory_order_release);
    applyAllOnMainThread();
    model.copyFrom(*synth);  // what the audio thread did since its last echo
  }
}

void EngineHost::changePolyphony(int32_t n) {
  const int32_t count = synth::SynthesizerFM4::roundVoiceCount(n);
  if (n < 1 || count == model.settings.polyphony) return;
  model.settings.polyphony = count;
  EngineCommand c;
  c.kind = CommandKind::kPolyphony;
  c.a = count;
  submit(c);
}

void EngineHost::forgetSampleFile(int32_t slot) {
  slot &= synth::kSampleSlotCount - 1;
  sampleFilePaths[slot].clear();
  importModes[slot] = kImportPlain;
  slotPoints[slot] = SlotPoints{};
}

void EngineHost::selectPart(int32_t index) {
  selectedPart = index & (synth::kPartCount - 1);
  part = &model.parts[selectedPart];
}

void EngineHost::selectTone(int32_t index) {
  selectedTone = index & (synth::kToneCount - 1);
  tone = &model.tones[selectedTone];
}

void EngineHost::selectSamplerPreset(int32_t index) {
  selectedSamplerPreset = index & (synth::kSamplerPresetCount - 1);
  samplerPreset = &model.samplers[selectedSamplerPreset];
}

void EngineHost::selectSample(int32_t index) {
  selectedSample = index & (synth::kSampleSlotCount - 1);
  sample = &model.slots[selectedSample];
}

const char* EngineHost::getSampleFilePath(int32_t slot) const {
  const std::string& path = sampleFilePaths[slot & (synth::kSampleSlotCount - 1)];
  return path.empty() ? nullptr : path.c_str();
}

void EngineHost::setSampleFilePath(int32_t slot, const char* path) {
  sampleFilePaths[slot & (synth::kSampleSlotCount - 1)] = path != nullptr ? path : "";
}

// ---------------------------------------------------------------------------
// The engine side

EngineSettings EngineHost::engineSettings() const {
  EngineSettings s;
  s.receiveSysEx = synth->getReceiveSysEx();
  s.nrpnEnabled = synth->isNrpnEnabled();
  s.masterVolume = synth->getMasterVolume();
  s.masterTune = synth->getMasterTune();
  s.polyphony = synth->getPolyphony();
  return s;
}

void EngineHost::apply(EngineCommand& c) {
  synth::SynthesizerFM4& s = *synth;
  const int32_t p = c.part & (synth::kPartCount - 1);
  switch (c.kind) {
    case CommandKind::kMasterVolume: s.setMasterVolume(c.value); break;
    case CommandKind::kMasterTune: s.setMasterTune(c.value); break;
    case CommandKind::kReceiveSysEx: s.setReceiveSysEx(c.a != 0); break;
    case CommandKind::kNrpnEnabled: s.setNrpnEnabled(c.a != 0); break;
    case CommandKind::kResetAllParts:
      s.stopVoices(-1);
      s.resetParts(true);
      break;
    case CommandKind::kPolyphony: s.usePolyphony(c.a); break;
    case CommandKind::kPartMode: s.setPartMode(p, c.a); break;
    case CommandKind::kProgramChange: s.programChange(p, c.a); break;
    case CommandKind::kBendRange: s.getPart(p).bendRange = c.a; break;
    case CommandKind::kPitchBend: s.pitchBend(p, c.a & 0x7F, (c.a >> 7) & 0x7F); break;
    case CommandKind::kControlChange: s.controlChange(p, c.a, c.b); break;
    case CommandKind::kResetPart:
      s.stopVoices(-1);
      s.getPart(p).resetControllers();
      s.setPartMode(p, synth::kModeInstrument);
      break;
    case CommandKind::kSoundOff: s.soundOff(-1); break;
    case CommandKind::kPartOutput: s.setPartOutput(p, c.a); break;
    case CommandKind::kRecords: {
      const auto* update = static_cast<const RecordUpdate*>(c.object);
      if (update->stopVoices) s.stopVoices(-1);
      for (const auto& t : update->tones) static_cast<synth::ToneParameters&>(s.getTonePreset(t.first)) = t.second;
      for (const auto& sp : update->samplers) s.getSamplerPreset(sp.first) = sp.second;
      for (const auto& d : update->slots) d.second.applyTo(s.getSampleData(d.first));
      break;
    }
    case CommandKind::kSample: {
      auto* install = static_cast<SampleInstall*>(c.object);
      s.stopVoices(-1);
      synth::SampleData previous;  // holds no more than pointers while swapped
      synth::SampleData& target = s.getSampleData(install->slot);
      previous.takeFrom(target);
      target.takeFrom(install->data);
      install->data.takeFrom(previous);
      break;
    }
    case CommandKind::kState: {
      auto* state = static_cast<StateInstall*>(c.object);
      s.stopVoices(-1);
      s.setReceiveSysEx(state->settings.receiveSysEx);
      s.setNrpnEnabled(state->settings.nrpnEnabled);
      s.setMasterVolume(state->settings.masterVolume);
      s.setMasterTune(state->settings.masterTune);
      if (state->polyphony > 0) s.usePolyphony(state->polyphony);
      for (int32_t i = 0; i < synth::kPartCount; ++i) state->parts[i].applyTo(s.getPart(i), state->withOutputs);
      for (int32_t i = 0; i < synth::kToneCount; ++i)
        static_cast<synth::ToneParameters&>(s.getTonePreset(i)) = state->tones[i];
      for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) s.getSamplerPreset(i) = state->samplers[i];
      for (int32_t i = 0; i < synth::kSampleSlotCount; ++i) {
        synth::SampleData previous;
        synth::SampleData& target = s.getSampleData(i);
        previous.takeFrom(target);
        target.takeFrom(state->slots[i]);
        state->slots[i].takeFrom(previous);
      }
      break;
    }
    case CommandKind::kSampleRate:
      rack->setSampleRate(c.value);
      rack->setBlockSize(c.a);
      break;
    case CommandKind::kActivate:
      if (c.a != 0)
        rack->activateAll();
      else
        rack->deactivateAll();
      break;
  }
}

void EngineHost::beginBlock() {
  for (int32_t n = 0; n < kCommandsPerBlock; ++n) {
    const EngineCommand* next = commands.peek();
    if (next == nullptr) break;
    // An object goes back once applied: only with room to send it.
    if (next->object != nullptr && returns.freeSpace() == 0) break;
    EngineCommand c = *next;
    commands.discardFront();
    apply(c);
    appliedSequence = c.sequence;
    const RecordSet touched = recordsOf(c);
    forced.settings = forced.settings || touched.settings;
    forced.parts |= touched.parts;
    forced.tones |= touched.tones;
    forced.samplers |= touched.samplers;
    if (c.object != nullptr) returns.push(c.object);
  }
}

void EngineHost::resetShadow() {
  shadowSettings = engineSettings();
  for (int32_t i = 0; i < synth::kPartCount; ++i)
    std::memcpy(&shadowParts[i], &synth->getPart(i), sizeof(synth::PartState));
  for (int32_t i = 0; i < synth::kToneCount; ++i)
    std::memcpy(&shadowTones[i], static_cast<synth::ToneParameters*>(&synth->getTonePreset(i)),
                sizeof(synth::ToneParameters));
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i)
    std::memcpy(&shadowSamplers[i], &synth->getSamplerPreset(i), sizeof(synth::SamplerPreset));
  forced = RecordSet{};
  scanPresets = false;
}

// Each record that differs from its shadow (or was changed by a command) is
// sent; when its ring is full it stays marked and goes at a later block.
void EngineHost::endBlock(bool hadSystemExclusive) {
  const EngineSettings settings = engineSettings();
  if (forced.settings || !sameBytes(&settings, &shadowSettings, sizeof settings)) {
    if (settingsEchoes.push(SettingsEcho{appliedSequence, settings})) {
      shadowSettings = settings;
      forced.settings = false;
    } else {
      forced.settings = true;
    }
  }
  for (int32_t i = 0; i < synth::kPartCount; ++i) {
    const synth::PartState& part = synth->getPart(i);
    const bool force = ((forced.parts >> i) & 1) != 0;
    if (!force && sameBytes(&part, &shadowParts[i], sizeof part)) continue;
    PartEcho echo;
    echo.sequence = appliedSequence;
    echo.index = i;
    std::memcpy(&echo.part, &part, sizeof part);
    if (partEchoes.push(echo)) {
      std::memcpy(&shadowParts[i], &part, sizeof part);
      forced.parts &= ~(1u << i);
    } else {
      forced.parts |= 1u << i;
    }
  }
  scanPresets = scanPresets || hadSystemExclusive;
  if (!scanPresets && forced.tones.none() && forced.samplers.none()) return;
  bool complete = true;
  for (int32_t i = 0; i < synth::kToneCount; ++i) {
    const auto* tone = static_cast<const synth::ToneParameters*>(&synth->getTonePreset(i));
    const bool force = forced.tones.test(static_cast<size_t>(i));
    if (!force && (!scanPresets || sameBytes(tone, &shadowTones[i], sizeof *tone))) continue;
    ToneEcho echo;
    echo.sequence = appliedSequence;
    echo.index = i;
    std::memcpy(&echo.tone, tone, sizeof *tone);
    if (toneEchoes.push(echo)) {
      std::memcpy(&shadowTones[i], tone, sizeof *tone);
      forced.tones.reset(static_cast<size_t>(i));
    } else {
      forced.tones.set(static_cast<size_t>(i));
      complete = false;
    }
  }
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) {
    const synth::SamplerPreset& preset = synth->getSamplerPreset(i);
    const bool force = forced.samplers.test(static_cast<size_t>(i));
    if (!force && (!scanPresets || sameBytes(&preset, &shadowSamplers[i], sizeof preset))) continue;
    SamplerEcho echo;
    echo.sequence = appliedSequence;
    echo.index = i;
    std::memcpy(&echo.preset, &preset, sizeof preset);
    if (samplerEchoes.push(echo)) {
      std::memcpy(&shadowSamplers[i], &preset, sizeof preset);
      forced.samplers.reset(static_cast<size_t>(i));
    } else {
      forced.samplers.set(static_cast<size_t>(i));
      complete = false;
    }
  }
  if (complete) scanPresets = false;
}

}  // namespace ovri::korvane

#include "plugin/EngineHost.h"

#include <unordered_map>

namespace ovri::korvane {

namespace {

// The hosts alive in this process, by address, with their serial numbers.
struct LiveHosts {
  std::mutex mutex;
  std::unordered_map<const EngineView*, uint64_t> serials;
  uint64_t next = 1;
};
LiveHosts& liveHosts() {
  static LiveHosts hosts;
  return hosts;
}

// Takes the newest copy of each record the audio thread published, unless
// a later command of the main thread to that record is still on its way.
template <typename T, int32_t N, typename Store>
void collect(PublishedRecords<T, N>& in, const uint32_t (&sentTo)[N], Store store) {
  Stamped<T> copy;
  for (int32_t i = 0; i < N; ++i)
    if (in.records[i].take(copy) && notOlder(copy.sequence, sentTo[i])) store(i, copy.value);
}

template <size_t N>
void stamp(const std::bitset<N>& touched, uint32_t (&numbers)[N], uint32_t sequence) {
  if (touched.none()) return;
  for (size_t i = 0; i < N; ++i)
    if (touched.test(i)) numbers[i] = sequence;
}

}  // namespace

uint64_t EngineView::liveSerial(const EngineView* view) {
  LiveHosts& hosts = liveHosts();
  std::lock_guard<std::mutex> lock(hosts.mutex);
  const auto it = hosts.serials.find(view);
  return it == hosts.serials.end() ? 0 : it->second;
}

EngineHost::EngineHost()
    : rack(std::make_unique<ModuleRack>()),
      synth(std::make_unique<synth::SynthesizerFM4>(kMasterTune, kMasterVolume)),
      queue(std::make_unique<util::MidiController>(util::MidiController::kDefaultCapacity)),
      mailbox(std::make_unique<EngineMailbox>()),
      audio(std::make_unique<EngineAudioSide>(*mailbox, *rack, *synth)) {
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
  hosts.serials[static_cast<const EngineView*>(this)] = serial;
}

EngineHost::~EngineHost() {
  {
    LiveHosts& hosts = liveHosts();
    std::lock_guard<std::mutex> lock(hosts.mutex);
    hosts.serials.erase(static_cast<const EngineView*>(this));
  }
  audioRunning.store(false);
  applyAllOnMainThread();
  delete mailbox->latestState.exchange(nullptr);
  // The rack goes first so that no slot outlives its module.
  rack.reset();
}

// ---------------------------------------------------------------------------
// Commands

void EngineHost::submit(EngineCommand command) {
  freeReturned();
  command.sequence = nextSequence++;
  const RecordSet touched = RecordSet::of(command);
  stamp(touched.settings, sent.settings, command.sequence);
  stamp(touched.parts, sent.parts, command.sequence);
  stamp(touched.tones, sent.tones, command.sequence);
  stamp(touched.samplers, sent.samplers, command.sequence);
  if (command.kind == CommandKind::kState) {
    // The state goes into the mailbox's one place for it, replacing one
    // that no command has installed yet; the command says when.
    auto* state = static_cast<StateInstall*>(command.object);
    state->sequence = command.sequence;
    delete mailbox->latestState.exchange(state, std::memory_order_acq_rel);
    command.object = nullptr;
  }
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
  while (!pending.empty() && mailbox->commands.push(pending.front())) pending.pop_front();
}

void EngineHost::freeReturned() {
  HandOff* done = nullptr;
  while (mailbox->returns.pop(done)) delete done;
}

void EngineHost::synchronize() {
  if (!audioRunning.load(std::memory_order_acquire)) {
    applyAllOnMainThread();
    return;
  }
  freeReturned();
  collect(mailbox->settings, sent.settings, [&](int32_t, const EngineSettings& s) { model.settings = s; });
  collect(mailbox->parts, sent.parts, [&](int32_t i, const synth::PartState& p) { model.parts[i] = p; });
  collect(mailbox->tones, sent.tones, [&](int32_t i, const synth::ToneParameters& t) {
    static_cast<synth::ToneParameters&>(model.tones[i]) = t;
  });
  collect(mailbox->samplers, sent.samplers, [&](int32_t i, const synth::SamplerPreset& p) { model.samplers[i] = p; });
  flushPending();
}

void EngineHost::applyAllOnMainThread() {
  bool applied = false;
  EngineCommand command;
  while (mailbox->commands.pop(command)) {
    delete audio->apply(command);
    applied = true;
  }
  while (!pending.empty()) {
    command = pending.front();
    pending.pop_front();
    delete audio->apply(command);
    applied = true;
  }
  freeReturned();
  // Copies the audio thread published are superseded by the engine itself.
  mailbox->clearRecords();
  // What the commands did, side effects included.
  if (applied && synth != nullptr) model.copyFrom(*synth);
}

void EngineHost::setAudioRunning(bool running) {
  if (running == audioRunning.load(std::memory_order_relaxed)) return;
  if (running) {
    applyAllOnMainThread();
    // Every command numbered so far is in the engine; written before the
    // audio thread can see the flag.
    audio->takeOver(nextSequence - 1);
    audioRunning.store(true, std::memory_order_release);
  } else {
    audioRunning.store(false, std::memory_order_release);
    applyAllOnMainThread();
    model.copyFrom(*synth);  // what the audio thread did since it last published
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

// ---------------------------------------------------------------------------
// Selection and slot files

void EngineHost::forgetSampleFile(int32_t slot) {
  slot &= synth::kSampleSlotCount - 1;
  sampleFilePaths[slot].clear();
  importModes[slot] = sampleimport::ImportMode::Pcm;
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

}  // namespace ovri::korvane

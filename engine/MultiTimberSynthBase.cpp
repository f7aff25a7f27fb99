#include "engine/MultiTimberSynthBase.h"

#include <algorithm>
#include <cmath>

namespace ovri::korvane::synth {

MultiTimberSynthBase::MultiTimberSynthBase(float masterTuneHz, float masterGain)
    : masterTune(masterTuneHz), masterVolume(masterGain) {
  buildVolumeTable();
  buildParameterHandlers();
  buildControllerHandlers();
  parts = new PartState[kPartCount];
  for (int32_t p = 0; p < kPartCount; ++p) parts[p].mode = parts[p].defaultMode = kModeInstrument;
  voiceCount = 128;
  allocationCursor = 0;
  voiceMask = voiceCount - 1;
  scratchRows = new float[static_cast<size_t>(kMaxVoices) * 2 * kScratchLength]();
  scratchState = new VoiceScratch[kMaxVoices];
  groupIndices = new int32_t[kMaxVoices];
  listIndices = new int32_t[kMaxVoices];
  groupStates = new int32_t[kMaxVoices];
  groupVoices = new VoiceUnitBase*[kMaxVoices];
  groupLefts = new float*[kMaxVoices];
  groupRights = new float*[kMaxVoices];
  trackAllVoicesIdle();
}

MultiTimberSynthBase::~MultiTimberSynthBase() {
  delete[] scratchRows;
  delete[] scratchState;
  delete[] groupIndices;
  delete[] listIndices;
  delete[] groupStates;
  delete[] groupVoices;
  delete[] groupLefts;
  delete[] groupRights;
  delete[] volumeTable;
  delete[] parts;
  delete[] voices;
}

// ---------------------------------------------------------------------------
// Module interface

void MultiTimberSynthBase::setSampleRate(float hz) {
  if (hz != sampleRate) applySampleRate(hz);
}

void MultiTimberSynthBase::reset() {
  stopVoices(-1);
  resetParts(false);
}

void MultiTimberSynthBase::initialize() { systemReset(); }
void MultiTimberSynthBase::attached(ModuleRack* rack) { applySampleRate(rack->context.sampleRate); }
void MultiTimberSynthBase::detached() { stopVoices(-1); }
void MultiTimberSynthBase::disabledChanged(bool) { stopVoices(-1); }
void MultiTimberSynthBase::reservedStop1() { stopVoices(-1); }
void MultiTimberSynthBase::reservedStop2() { stopVoices(-1); }
void MultiTimberSynthBase::deactivate() { stopVoices(-1); }
void MultiTimberSynthBase::activate() { stopVoices(-1); }

// The block loop. Voices render in runs between events into their own
// scratch rows; before an event only the voices it can change catch up to
// the event's offset (a master-level event: all of them), then the event
// is executed there. At the end of each chunk of kScratchLength samples
// every sounding voice renders to the chunk's end and the rows are added
// into the buffers in ascending voice order, so every sample of a shared
// buffer sums its voices in that order, whatever the events, as if each
// voice had added straight into it. The caller hands the buffers over
// cleared.
void MultiTimberSynthBase::process(RenderContext& context) {
  const int32_t first = context.startSample;
  const int32_t end = context.startSample + (context.sampleCount > 0 ? context.sampleCount : 0);
  if (referenceLoop) {
    processReference(context);
    return;
  }
  currentContext = &context;
  processByVoice(context, first, end);
  currentContext = nullptr;
}

// Whether the block's loop executes an event: one for this engine's ports,
// of a known status and part, not a note for a muted part nor system
// exclusive while its reception is off. An offset outside the block is
// moved to the nearest sample inside it.
bool MultiTimberSynthBase::admit(MidiEvent& event, int32_t first, int32_t end) const {
  if ((event.portMask & portMask) == 0) return false;
  const int32_t status = event.status;
  if (status < 0x80 || status > 0xF0 || (status & 0x0F) != 0) return false;
  if (event.channel < 0 || event.channel >= kPartCount) return false;
  if (status == 0x90 && parts[event.channel].mode == kModeMute) return false;
  if (status == 0xF0 && receiveSysEx == 0) return false;
  if (event.sampleOffset < first) event.sampleOffset = first;
  if (event.sampleOffset > end) event.sampleOffset = end;
  return true;
}

void MultiTimberSynthBase::processByVoice(RenderContext& context, int32_t first, int32_t end) {
  // Idle voices are skipped: a note-on sets the position of the voice it
  // starts.
  forEachSoundingVoice([this, first](int32_t i) { voices[i]->renderPosition = first; });
  startChunk(first, end);
  for (MidiEvent* event = context.events != nullptr ? context.events->next : nullptr; event != nullptr;
       event = event->next) {
    if (!admit(*event, first, end)) continue;
    const int32_t at = event->sampleOffset;
    reachChunk(at, end);
    catchUpFor(*event, at);
    dispatch(*event);
  }
  reachChunk(end, end);
  synchronize(end);
}

// Moves the chunk on until it holds at. Voices rendering one by one with
// nothing in their scratch rows go straight to at in one run instead.
void MultiTimberSynthBase::reachChunk(int32_t at, int32_t end) {
  while (at > chunkEnd) {
    bool pending = false;
    for (uint64_t word : pendingVoices.words) pending = pending || word != 0;
    const int32_t to = !pending && !rendersSideBySide() ? at : chunkEnd;
    synchronize(to);
    startChunk(to, end);
  }
}

void MultiTimberSynthBase::startChunk(int32_t from, int32_t end) {
  chunkStart = from;
  chunkEnd = std::min(end, from + kScratchLength);
  // Brought in step at the chunk's first note-on, if any.
  volatileStale = true;
}

void MultiTimberSynthBase::catchUpMany(const int32_t* indices, int32_t count, int32_t end) {
  int32_t group = 0;
  for (int32_t g = 0; g < count; ++g) {
    const int32_t index = indices[g];
    VoiceUnitBase& voice = *voices[index];
    const int32_t from = voice.renderPosition;
    if (voice.stateByte == 0 || from >= end) continue;
    const int32_t pair = voice.outputPair & (kChannelCount - 2);
    VoiceScratch& scratch = scratchState[index];
    if (scratch.from >= 0 && (scratch.to != from || scratch.pair != pair)) {
      // Room is kept: catchUpFor synchronises before a note-on could need more.
      if (scratch.closed < kScratchSegments) scratch.segments[scratch.closed++] = {scratch.from, scratch.to, scratch.pair};
      scratch.from = -1;
    }
    if (scratch.from < 0) {
      scratch.from = from;
      scratch.pair = pair;
      pendingVoices.set(index);
    }
    float* const left = scratchRows + static_cast<size_t>(index) * 2 * kScratchLength - chunkStart;
    float* const right = left + kScratchLength;
    std::fill(left + from, left + end, 0.0f);
    std::fill(right + from, right + end, 0.0f);
    groupIndices[group] = index;
    groupStates[group] = voice.stateByte;
    groupVoices[group] = &voice;
    groupLefts[group] = left;
    groupRights[group] = right;
    ++group;
  }
  if (group == 0) return;
  renderVoiceGroup(groupVoices, groupLefts, groupRights, group, end);
  for (int32_t g = 0; g < group; ++g) {
    const int32_t index = groupIndices[g];
    VoiceUnitBase& voice = *voices[index];
    scratchState[index].to = voice.renderPosition;
    if (voice.stateByte != groupStates[g]) trackVoice(index);
    recheckVoices.set(index);
  }
}

void MultiTimberSynthBase::renderVoiceGroup(VoiceUnitBase* const* group, float* const* lefts, float* const* rights,
                                            int32_t count, int32_t end) {
  for (int32_t g = 0; g < count; ++g) group[g]->renderUntilPosition(lefts[g], rights[g], end);
}

void MultiTimberSynthBase::catchUpFor(const MidiEvent& event, int32_t at) {
  const int32_t channel = event.channel;
  int32_t* const listed = listIndices;
  auto catchUpPart = [this, channel, at, listed]() {
    int32_t count = 0;
    forEachVoiceBit(voiceCount, [this, channel](int32_t w) { return partVoices[channel].words[w]; },
                    [listed, &count](int32_t i) { listed[count++] = i; });
    catchUpMany(listed, count, at);
  };
  switch (event.status) {
    case 0x80:
      break;
    case 0x90:
      if (event.data2 > 0) {
        // The search for a voice reads every voice's state at this offset:
        // the voices whose state may change before it catch up first, then
        // the voice the note will take.
        if (volatileStale) {
          forEachSoundingVoice([this](int32_t i) { volatileVoices.assign(i, voices[i]->quietUntil() < chunkEnd); });
          volatileStale = false;
        } else {
          forEachVoiceBit(voiceCount, [this](int32_t w) { return recheckVoices.words[w]; }, [this](int32_t i) {
            volatileVoices.assign(i, voices[i]->stateByte != 0 && voices[i]->quietUntil() < chunkEnd);
          });
        }
        recheckVoices.fill(false);
        int32_t count = 0;
        forEachVoiceBit(voiceCount, [this](int32_t w) { return volatileVoices.words[w]; },
                        [listed, &count](int32_t i) { listed[count++] = i; });
        catchUpMany(listed, count, at);
        const int32_t cursor = allocationCursor;
        const int32_t taken = findVoice();
        allocationCursor = cursor;
        if (taken < 0) return;
        if (scratchState[taken].closed >= kScratchSegments - 1) {
          synchronize(at);
          return;
        }
        catchUp(taken, at);
        return;
      }
      break;
    case 0xB0: {
      if (event.data1 < 0 || event.data1 >= 128) return;
      const ControllerHandler handler = controllerHandlers[event.data1];
      if (handler == &ccStore || handler == &ccIgnore || handler == &ccNrpnLsb || handler == &ccNrpnMsb ||
          handler == &ccRpnLsb || handler == &ccRpnMsb)
        return;
      if (handler == &ccDataEntryMsb || handler == &ccDataEntryLsb || handler == &ccDataIncrement ||
          handler == &ccDataDecrement) {
        const int32_t selector = parts[channel].parameterSelector;
        if (selector == 128) {  // master volume
          synchronize(at);
          return;
        }
        if (selector != 0 && selector != 128 + 33) return;  // bend range, part mode
      }
      catchUpPart();
      return;
    }
    case 0xE0:
      catchUpPart();
      return;
    case 0xF0:
      synchronize(at);
      return;
    default:
      return;  // pressure and program change reach no voice
  }
  // A note-off: the held voices of the part playing its key.
  forEachVoiceBit(voiceCount, [this, channel](int32_t w) { return partVoices[channel].words[w] & heldVoices.words[w]; },
                  [this, &event, at](int32_t i) {
                    if (voices[i]->key == event.data1) catchUp(i, at);
                  });
}

// Voices go in ascending order. Where voices render one by one, each adds
// its scratch segments and then renders the rest straight into the
// buffers: every sample still receives its voices in ascending order, and
// the voices no event touched since the last synchronisation need no
// scratch at all. Where voices render side by side, all of them catch up
// into their scratch rows first.
void MultiTimberSynthBase::synchronize(int32_t at) {
  float* const* channels = currentContext->channels;
  auto addScratch = [this, channels](int32_t i) {
    VoiceScratch& scratch = scratchState[i];
    const float* const left = scratchRows + static_cast<size_t>(i) * 2 * kScratchLength - chunkStart;
    const float* const right = left + kScratchLength;
    auto add = [&](const ScratchSegment& s) {
      float* const outL = channels[s.pair];
      float* const outR = channels[s.pair + 1];
      for (int32_t k = s.from; k < s.to; ++k) outL[k] += left[k];
      for (int32_t k = s.from; k < s.to; ++k) outR[k] += right[k];
    };
    for (int32_t n = 0; n < scratch.closed; ++n) add(scratch.segments[n]);
    if (scratch.from >= 0) add({scratch.from, scratch.to, scratch.pair});
    scratch.from = -1;
    scratch.closed = 0;
  };
  if (!rendersSideBySide()) {
    forEachVoiceBit(voiceCount, [this](int32_t w) { return ~idleVoices.words[w] | pendingVoices.words[w]; },
                    [this, at, channels, &addScratch](int32_t i) {
                      if (pendingVoices.test(i)) addScratch(i);
                      VoiceUnitBase& voice = *voices[i];
                      const int32_t state = voice.stateByte;
                      if (state == 0 || voice.renderPosition >= at) return;
                      const int32_t pair = voice.outputPair & (kChannelCount - 2);
                      voice.renderUntilPosition(channels[pair], channels[pair + 1], at);
                      if (voice.stateByte != state) trackVoice(i);
                      recheckVoices.set(i);
                    });
    pendingVoices.fill(false);
    return;
  }
  int32_t count = 0;
  forEachSoundingVoice([this, &count](int32_t i) { listIndices[count++] = i; });
  catchUpMany(listIndices, count, at);
  forEachVoiceBit(voiceCount, [this](int32_t w) { return pendingVoices.words[w]; }, addScratch);
  pendingVoices.fill(false);
}

// The reference block loop. Voices render in runs between events: before an event
// every sounding voice catches up to the event's offset, then the event is
// executed there, and at the end every sounding voice renders to the end of
// the block. Voices add into the buffers; the caller hands them over cleared.
void MultiTimberSynthBase::processReference(RenderContext& context) {
  const int32_t first = context.startSample;
  const int32_t end = context.startSample + (context.sampleCount > 0 ? context.sampleCount : 0);
  currentContext = &context;
  int32_t now = first;
  // Idle voices are skipped: a note-on sets the position of the voice it
  // starts.
  forEachSoundingVoice([this, now](int32_t i) { voices[i]->renderPosition = now; });

  for (MidiEvent* event = context.events != nullptr ? context.events->next : nullptr; event != nullptr;
       event = event->next) {
    if (!admit(*event, first, end)) continue;
    if (event->sampleOffset > now) {
      now = event->sampleOffset;
      renderVoicesUntil(now);
    }
    dispatch(*event);
  }
  renderVoicesUntil(end);
  currentContext = nullptr;
}

// Sounding voices render in ascending order, so that every sample of a
// shared buffer sums its voices in the same order whatever the events.
void MultiTimberSynthBase::renderVoicesUntil(int32_t end) {
  float* const* channels = currentContext->channels;
  forEachSoundingVoice([this, channels, end](int32_t i) {
    VoiceUnitBase& voice = *voices[i];
    const int32_t state = voice.stateByte;
    if (state != 0) {
      const int32_t pair = voice.outputPair & (kChannelCount - 2);
      voice.renderUntilPosition(channels[pair], channels[pair + 1], end);
      if (voice.stateByte == state) return;
    }
    trackVoice(i);
  });
}

void MultiTimberSynthBase::trackVoice(int32_t index) {
  const VoiceUnitBase& voice = *voices[index];
  const int32_t state = voice.stateByte;
  idleVoices.assign(index, state == 0);
  fadingVoices.assign(index, (state & (kReleased | kDamped)) != 0);
  heldVoices.assign(index, (state & kKeyHeld) != 0);
  const int32_t part = voice.part >= 0 && voice.part < kPartCount ? voice.part : -1;
  recheckVoices.set(index);
  if (part == listedPart[index]) return;
  if (listedPart[index] >= 0) partVoices[listedPart[index]].clear(index);
  if (part >= 0) partVoices[part].set(index);
  listedPart[index] = static_cast<int8_t>(part);
}

void MultiTimberSynthBase::trackAllVoicesIdle() {
  idleVoices.fill(true);
  fadingVoices.fill(false);
  heldVoices.fill(false);
  for (VoiceSet& listed : partVoices) listed.fill(false);
  for (int8_t& part : listedPart) part = -1;
  volatileVoices.fill(false);
  recheckVoices.fill(false);
}

void MultiTimberSynthBase::voiceStarted(int32_t index) {
  usedVoices.set(index);
  trackVoice(index);
}

void MultiTimberSynthBase::dispatch(MidiEvent& event) {
  if (event.channel < 0 || event.channel >= kPartCount) return;
  switch (event.status) {
    case 0x80:
      onNoteOff(event);
      break;
    case 0x90:
      if (event.data2 <= 0) {
        onNoteOff(event);
      } else {
        onNoteOn(event);
        voiceStarted(allocationCursor);  // in case an override did not
        VoiceUnitBase& voice = *voices[allocationCursor];
        // The voice just started, at the cursor, takes its part's output.
        // (When the note was dropped the cursor voice belongs to someone
        // else and keeps its pair.)
        if (voice.part == event.channel) voice.outputPair = 2 * (parts[event.channel].output & 15);
      }
      break;
    case 0xA0:
      onPolyPressure(event);
      break;
    case 0xB0:
      if (event.data1 >= 0 && event.data1 < 128) controllerHandlers[event.data1](*this, event);
      break;
    case 0xC0:
      parts[event.channel].program = event.data1;
      break;
    case 0xD0:
      onChannelPressure(event);
      break;
    case 0xE0:
      onPitchBend(event);
      break;
    case 0xF0:
      onSystemExclusive(event);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Engine settings

void MultiTimberSynthBase::buildVolumeTable() {
  if (volumeTable == nullptr) volumeTable = new float[128];
  for (int32_t i = 0; i < 128; ++i)
    volumeTable[i] = static_cast<float>(std::pow(2.0, (i + 1) / 8.0) / 65536.0);  // 2^16 at i = 127
}

float MultiTimberSynthBase::getMasterVolume() { return masterVolume; }

void MultiTimberSynthBase::setMasterVolume(float gain) {
  masterVolume = gain;
  for (int32_t i = 0; i < voiceCount; ++i) voices[i]->masterVolumeChanged(masterVolume);
}

float MultiTimberSynthBase::getSampleRate() { return sampleRate; }

void MultiTimberSynthBase::applySampleRate(float hz) {
  sampleRate = hz;
  updateRateConstants();
}

float MultiTimberSynthBase::getMasterTune() { return masterTune; }

void MultiTimberSynthBase::setMasterTune(float hz) {
  masterTune = hz;
  updateRateConstants();
}

int32_t MultiTimberSynthBase::getActiveVoiceCount() {
  int32_t active = 0;
  for (int32_t i = 0; i < voiceCount; ++i)
    if (voices[i]->stateByte != 0) ++active;
  return active;
}

int32_t MultiTimberSynthBase::getPolyphony() { return voiceCount; }

// Rounds up to a power of two, at most kMaxVoices. Every sounding note ends.
int32_t MultiTimberSynthBase::setPolyphony(int32_t count) {
  if (count < 1 || count == voiceCount) return voiceCount;
  return usePolyphony(count);
}

int32_t MultiTimberSynthBase::usePolyphony(int32_t count) {
  if (count < 1) return voiceCount;
  int32_t n = 1;
  while (n < count && n < kMaxVoices) n <<= 1;  // a power of two, at most kMaxVoices
  allocationCursor = 0;
  voiceMask = n - 1;
  allocateVoices(n);
  updateRateConstants();
  return voiceCount;
}

void MultiTimberSynthBase::setPartOutput(int32_t part, int32_t output) {
  PartState& p = parts[part & 15];
  p.output = output;
  forEachVoiceOfPart(part & 15, [&](VoiceUnitBase& v) { v.outputPair = 2 * (output & 15); });
}

int32_t MultiTimberSynthBase::getManufacturerId() { return manufacturerId; }
void MultiTimberSynthBase::setManufacturerId(int32_t id) { manufacturerId = static_cast<uint8_t>(id & 0x7F); }
int32_t MultiTimberSynthBase::getDeviceId() { return deviceId; }
void MultiTimberSynthBase::setDeviceId(int32_t id) { deviceId = static_cast<uint8_t>(id & 0x7F); }
int32_t MultiTimberSynthBase::getModelId() { return modelId; }
void MultiTimberSynthBase::setModelId(int32_t id) { modelId = static_cast<uint8_t>(id & 0x7F); }

void MultiTimberSynthBase::systemReset() {
  buildVolumeTable();
  stopVoices(-1);
  resetParts(true);
  initializeSoundData();
  rpnEnabled = 1;
  nrpnEnabled = 0;
  receiveSysEx = 0;
}

// ---------------------------------------------------------------------------
// Parts

int32_t MultiTimberSynthBase::getPartDefaultMode(int32_t part) { return parts[part & 15].defaultMode; }

void MultiTimberSynthBase::setPartDefaultMode(int32_t part, int32_t mode) {
  parts[part & 15].defaultMode = mode < maxPartMode ? mode : maxPartMode;
}

int32_t MultiTimberSynthBase::getPartMode(int32_t part) { return parts[part & 15].mode; }

void MultiTimberSynthBase::setPartMode(int32_t part, int32_t mode) {
  const int32_t m = mode < maxPartMode ? mode : maxPartMode;
  if (m == parts[part & 15].mode) return;
  parts[part & 15].mode = m;
  stopVoices(part & 15);
}

void MultiTimberSynthBase::resetParts(bool restoreModes) {
  for (int32_t p = 0; p < kPartCount; ++p) {
    parts[p].resetControllers();
    if (restoreModes) parts[p].mode = parts[p].defaultMode;
  }
}

// An idle voice is left alone: stopping or damping it changes nothing.
void MultiTimberSynthBase::stopVoices(int32_t part) {
  if (part >= 0) {
    forEachVoiceOfPart(part, [](VoiceUnitBase& v) { v.stop(); });
    return;
  }
  forEachSoundingVoice([this](int32_t i) {
    voices[i]->stop();
    trackVoice(i);
  });
}

void MultiTimberSynthBase::soundOff(int32_t part) {
  if (part >= 0) {
    forEachVoiceOfPart(part, [](VoiceUnitBase& v) { v.damp(); });
    return;
  }
  forEachSoundingVoice([this](int32_t i) {
    voices[i]->damp();
    trackVoice(i);
  });
}

// ---------------------------------------------------------------------------
// Direct messages: fill the scratch event and dispatch it as the block loop
// would.

void MultiTimberSynthBase::dispatchDirect(int32_t status, int32_t channel, int32_t data1, int32_t data2) {
  scratchEvent.reset();
  scratchEvent.status = status;
  scratchEvent.channel = channel;
  scratchEvent.data1 = data1;
  scratchEvent.data2 = data2;
  dispatch(scratchEvent);
}

void MultiTimberSynthBase::noteOff(const int32_t& channel, const int32_t& key, const int32_t& velocity) {
  dispatchDirect(0x80, channel, key, velocity);
}

void MultiTimberSynthBase::noteOn(const int32_t& channel, const int32_t& key, const int32_t& velocity) {
  if (channel < 0 || channel >= kPartCount || parts[channel].mode == kModeMute) return;
  dispatchDirect(0x90, channel, key, velocity);
}

void MultiTimberSynthBase::polyPressure(const int32_t& channel, const int32_t& key, const int32_t& value) {
  dispatchDirect(0xA0, channel, key, value);
}

void MultiTimberSynthBase::controlChange(const int32_t& channel, const int32_t& number, const int32_t& value) {
  dispatchDirect(0xB0, channel, number, value);
}

// Unlike a queued program change, the direct one also damps the part's voices.
void MultiTimberSynthBase::programChange(const int32_t& channel, const int32_t& program) {
  if (channel < 0 || channel >= kPartCount) return;
  scratchEvent.reset();
  scratchEvent.status = 0xC0;
  scratchEvent.channel = channel;
  scratchEvent.data1 = program;
  onProgramChange(scratchEvent);
}

void MultiTimberSynthBase::channelPressure(const int32_t& channel, const int32_t& value) {
  dispatchDirect(0xD0, channel, value, 0);
}

void MultiTimberSynthBase::pitchBend(const int32_t& channel, const int32_t& lsb, const int32_t& msb) {
  dispatchDirect(0xE0, channel, lsb, msb);
}

void MultiTimberSynthBase::pitchBend14(const int32_t& channel, const int32_t& value) {
  pitchBend(channel, value & 0x7F, (value >> 7) & 0x7F);
}

void MultiTimberSynthBase::systemExclusive(const uint8_t* bytes, int32_t length) {
  if (receiveSysEx == 0 || bytes == nullptr) return;
  scratchEvent.reset();
  scratchEvent.status = 0xF0;
  scratchEvent.channel = 0;
  const int32_t n = length < 0 ? 0 : (length > kSysExCapacity ? kSysExCapacity : length);
  for (int32_t i = 0; i < n; ++i) scratchEvent.sysexData[i] = bytes[i];
  scratchEvent.sysexLength = n;
  onSystemExclusive(scratchEvent);
}

// ---------------------------------------------------------------------------
// Notes

// Ring search for a voice: starting after the voice started last, first an
// idle voice, then a released or damped one, then a held one. The voice at
// the cursor itself is never taken. Returns -1 (cursor back at its start)
// when nothing could be taken; otherwise the cursor is on the voice.
// Each pass is a search of one voice set, from the cursor up to the end of
// the pool and then from 0 up to the cursor: the voice a step-by-step walk
// around the ring would reach first.
int32_t MultiTimberSynthBase::findVoice() {
  const int32_t start = allocationCursor;
  const VoiceSet* passes[3] = {&idleVoices, &fadingVoices, &heldVoices};
  for (const VoiceSet* candidates : passes) {
    int32_t i = candidates->findFirst(start + 1, voiceCount);
    if (i < 0) i = candidates->findFirst(0, start);
    if (i >= 0) {
      allocationCursor = i;
      return i;
    }
  }
  allocationCursor = start;
  return -1;
}

void MultiTimberSynthBase::onNoteOn(MidiEvent& event) {
  const int32_t index = findVoice();
  if (index < 0) return;
  VoiceUnitBase& voice = *voices[index];
  voice.renderPosition = event.sampleOffset;
  voice.start(event.channel, event.data1, event.data2);
  voiceStarted(index);
}

void MultiTimberSynthBase::onNoteOff(MidiEvent& event) {
  const int32_t channel = event.channel;
  if (channel < 0 || channel >= kPartCount) return;
  const VoiceSet& listed = partVoices[channel];
  forEachVoiceBit(voiceCount, [&](int32_t w) { return listed.words[w] & heldVoices.words[w]; }, [&](int32_t i) {
    VoiceUnitBase& voice = *voices[i];
    if ((voice.stateByte & kKeyHeld) != 0 && voice.part == channel && voice.key == event.data1) {
      voice.release();
      trackVoice(i);
    }
  });
}

void MultiTimberSynthBase::onPolyPressure(MidiEvent&) {}

void MultiTimberSynthBase::onProgramChange(MidiEvent& event) {
  const int32_t channel = event.channel & 15;
  parts[channel].program = event.data1;
  if (parts[channel].mode != kModeMute) forEachVoiceOfPart(channel, [](VoiceUnitBase& v) { v.damp(); });
}

void MultiTimberSynthBase::onChannelPressure(MidiEvent& event) {
  parts[event.channel & 15].channelPressure = event.data1;
}

void MultiTimberSynthBase::onPitchBend(MidiEvent& event) {
  const int32_t channel = event.channel & 15;
  const int32_t bend = (event.data2 << 7) | event.data1;
  parts[channel].pitchBend = bend;
  if (parts[channel].mode != kModeMute) forEachVoiceOfPart(channel, [bend](VoiceUnitBase& v) { v.pitchBendChanged(bend); });
}

void MultiTimberSynthBase::onSystemExclusive(MidiEvent&) {}

// ---------------------------------------------------------------------------
// RPN / NRPN enable flags: switching either resets every part's pressure,
// bend, modulation, expression and parameter selection (no voice is told).

bool MultiTimberSynthBase::isRpnEnabled() { return rpnEnabled != 0; }
bool MultiTimberSynthBase::isNrpnEnabled() { return nrpnEnabled != 0; }

void MultiTimberSynthBase::setRpnEnabled(bool enabled) {
  rpnEnabled = enabled ? 1 : 0;
  resetRegisters();
}

void MultiTimberSynthBase::setNrpnEnabled(bool enabled) {
  nrpnEnabled = enabled ? 1 : 0;
  resetRegisters();
}

void MultiTimberSynthBase::resetRegisters() {
  for (int32_t p = 0; p < kPartCount; ++p) parts[p].resetRegisters();
}

}  // namespace ovri::korvane::synth

#include "plugin/KorvaneVSTProcessor.h"

#include "plugin/EditorProtocol.h"
#include "plugin/FileActions.h"
#include "plugin/HostEventQueue.h"
#include "plugin/KorvaneIds.h"
#include "plugin/StateImage.h"
#include "plugin/StateLoad.h"
#include "plugin/StateStream.h"
#include "plugin/ValueTags.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstattributes.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <algorithm>
#include <xmmintrin.h>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace Steinberg::Vst {

namespace kp = ovri::korvane::plugin;
namespace msg = ovri::korvane::protocol::message;
namespace key = ovri::korvane::protocol::attribute;

namespace {

constexpr int32 kEventBusChannels = 16;
namespace midi = ovri::korvane::midi;

// A normalised value scaled to 0..range, rounded: (int)(v * range + 0.5) in
// double precision. Values outside 0..1 (and NaN) are taken as the nearest
// end of the range first.
int32 scaleNormalized(double value, int32 range) {
  if (!(value > 0.0)) return 0;
  if (value > 1.0) value = 1.0;
  return static_cast<int32>(value * range + 0.5);
}

// Host offsets outside the block are clamped into it: before the start to
// sample 0, at or past the end to the last sample (a block of 0 samples
// keeps them at 0, for the next block).
int32 clampOffset(int32 offset, int32 blockLength) {
  if (offset < 0) return 0;
  if (offset >= blockLength) return blockLength > 0 ? blockLength - 1 : 0;
  return offset;
}

// "out 1" .. "out 16".
void outputBusName(int32 index, String128 name) {
  const char* prefix = "out ";
  int32 n = 0;
  for (; prefix[n] != 0; ++n) name[n] = static_cast<char16>(prefix[n]);
  const int32 number = index + 1;
  if (number >= 10) name[n++] = static_cast<char16>('0' + number / 10);
  name[n++] = static_cast<char16>('0' + number % 10);
  name[n] = 0;
}

// The outputs the host gave buffers for: the first ones of the sixteen,
// with 32-bit samples.
int32 givenOutputs(const ProcessData& data) {
  if (data.outputs == nullptr || data.symbolicSampleSize != kSample32) return 0;
  return std::clamp(data.numOutputs, 0, kp::kOutputBusCount);
}

// Writes zeros into every channel the host gave a buffer for, from sample
// from on for length samples.
void silenceOutputs(ProcessData& data, int32 from, int32 length) {
  for (int32 bus = 0; bus < givenOutputs(data); ++bus) {
    AudioBusBuffers& buffers = data.outputs[bus];
    if (buffers.channelBuffers32 == nullptr) continue;
    for (int32 c = 0; c < buffers.numChannels; ++c)
      if (buffers.channelBuffers32[c] != nullptr) std::fill_n(buffers.channelBuffers32[c] + from, length, 0.0f);
    const int32 channels = std::clamp(buffers.numChannels, 0, 64);
    buffers.silenceFlags = channels == 64 ? ~uint64(0) : (uint64(1) << channels) - 1;
  }
}

// Denormal numbers are flushed to zero (and read as zero) while a block
// renders; the caller's setting is restored afterwards.
class DenormalsOff {
public:
  DenormalsOff() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
  ~DenormalsOff() { _mm_setcsr(saved); }
  DenormalsOff(const DenormalsOff&) = delete;
  DenormalsOff& operator=(const DenormalsOff&) = delete;

private:
  static constexpr unsigned kFlushToZero = 0x8000;      // MXCSR bit 15
  static constexpr unsigned kDenormalsAreZero = 0x0040;  // MXCSR bit 6
  unsigned saved;
};

}  // namespace

KorvaneVSTProcessor::KorvaneVSTProcessor() {
  setControllerClass(FUID::fromTUID(kp::kControllerUid.bytes));
}

KorvaneVSTProcessor::~KorvaneVSTProcessor() = default;

FUnknown* KorvaneVSTProcessor::createInstance(void*) {
  return static_cast<IAudioProcessor*>(new KorvaneVSTProcessor);
}

tresult PLUGIN_API KorvaneVSTProcessor::initialize(FUnknown* context) {
  if (engineHost != nullptr) return kResultFalse;  // already initialised
  const tresult result = AudioEffect::initialize(context);
  if (result != kResultOk) return result;

  for (int32 i = 0; i < kp::kOutputBusCount; ++i) {
    String128 name;
    outputBusName(i, name);
    // Hosts wire the main output to the track and offer the others for
    // routing, switched on when the user asks for them.
    if (i == 0)
      addAudioOutput(name, SpeakerArr::kStereo, kMain, BusInfo::kDefaultActive);
    else
      addAudioOutput(name, SpeakerArr::kStereo, kAux, 0);
  }
  addEventInput(STR16("EventInput"), kEventBusChannels, kMain, BusInfo::kDefaultActive);

  try {
    engineHost = std::make_unique<ovri::korvane::EngineHost>();
    eventQueue = std::make_unique<kp::HostEventQueue>(*engineHost->queue);
    prepareScratch();
  } catch (const std::bad_alloc&) {
    engineHost.reset();
    AudioEffect::terminate();
    return kOutOfMemory;
  }
  engineHost->rack->setSampleRate(static_cast<float>(processSetup.sampleRate));
  engineHost->rack->setBlockSize(processSetup.maxSamplesPerBlock);
  return result;
}

tresult PLUGIN_API KorvaneVSTProcessor::terminate() {
  if (engineHost != nullptr) {
    auto lock = engineHost->lockMain();
    engineHost->synchronize();
    engineHost->setAudioRunning(false);
  }
  eventQueue.reset();
  engineHost.reset();
  setBypass(false);
  bypassFromState.store(-1);
  active = false;
  return AudioEffect::terminate();
}

tresult PLUGIN_API KorvaneVSTProcessor::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                           SpeakerArrangement* outputs, int32 numOuts) {
  if (numOuts != kp::kOutputBusCount || outputs == nullptr || outputs[0] != SpeakerArr::kStereo)
    return kResultFalse;
  return AudioEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
}

tresult PLUGIN_API KorvaneVSTProcessor::setupProcessing(ProcessSetup& setup) {
  if (engineHost != nullptr) {
    auto lock = engineHost->lockMain();
    ovri::korvane::EngineCommand command;
    command.kind = ovri::korvane::CommandKind::kSampleRate;
    command.value = static_cast<float>(setup.sampleRate);
    command.a = setup.maxSamplesPerBlock;
    engineHost->submit(command);
  }
  const tresult result = AudioEffect::setupProcessing(setup);
  // Hosts change the setup only while the processor is inactive; should one
  // not, the scratch buffers are resized at the next activation instead.
  if (result == kResultOk && !active && engineHost != nullptr) {
    try {
      prepareScratch();
    } catch (const std::bad_alloc&) {
      return kOutOfMemory;
    }
  }
  return result;
}

tresult PLUGIN_API KorvaneVSTProcessor::setProcessing(TBool) { return kNotImplemented; }

tresult PLUGIN_API KorvaneVSTProcessor::setActive(TBool state) {
  if (engineHost != nullptr) {
    auto lock = engineHost->lockMain();
    engineHost->synchronize();
    ovri::korvane::EngineCommand command;
    command.kind = ovri::korvane::CommandKind::kActivate;
    command.a = state ? 1 : 0;
    if (state) {
      try {
        prepareScratch();
      } catch (const std::bad_alloc&) {
        return kOutOfMemory;
      }
      engineHost->submit(command);
      engineHost->setAudioRunning(true);
    } else {
      engineHost->setAudioRunning(false);
      engineHost->submit(command);
    }
  }
  active = state != 0;
  return AudioEffect::setActive(state);
}

// Sized to the setup's maximum block, at most kMaxScratchFrames; never
// called from process().
void KorvaneVSTProcessor::prepareScratch() {
  const int32 frames = std::clamp(processSetup.maxSamplesPerBlock, 1, kMaxScratchFrames);
  if (frames == scratchFrames) return;
  scratch.assign(static_cast<size_t>(frames) * ovri::korvane::kChannelCount, 0.0f);
  scratchFrames = frames;
}

// One block: the host's parameter changes and events become queued MIDI
// events, then the rack renders into the sixteen outputs.
//
// What the host hands over is not trusted further than it must be:
//  - only outputs the host gave a buffer for are read or written, and every
//    channel it gave is written; an output with no buffers (a bus the host
//    leaves out or deactivated, or one past numOutputs) or with one channel
//    renders its missing sides into scratch buffers, and the block's events
//    are executed whatever the host gave;
//  - a block longer than the scratch buffers (longer than the setup's
//    maximum) is rendered in consecutive runs, each run taking the events
//    and parameter changes whose offsets fall into it;
//  - offsets outside the block are clamped into it (see clampOffset);
//  - events on channels outside 0..15 or keys outside 0..127 are ignored.
tresult PLUGIN_API KorvaneVSTProcessor::process(ProcessData& data) {
  const int32 blockLength = std::max(data.numSamples, 0);
  if (engineHost == nullptr || scratchFrames <= 0 || !engineHost->isAudioRunning()) {
    silenceOutputs(data, 0, blockLength);
    return kResultOk;
  }

  DenormalsOff denormalsOff;
  ovri::korvane::EngineAudioSide& audio = engineHost->audioSide();
  audio.beginBlock();
  const int32 restored = bypassFromState.exchange(-1, std::memory_order_acquire);
  if (restored >= 0 && (restored != 0) != bypass) {
    if (restored != 0)
      engineHost->rack->deactivateAll();
    else
      engineHost->rack->activateAll();
    setBypass(restored != 0);
  }
  blockHadSysEx = false;
  sustainPedal.beginBlock([this](int32 s, int32 c, int32 d1, int32 d2, int32 o) { queueEvent(s, c, d1, d2, o); });
  int32 from = 0;
  do {
    const int32 length = std::min(blockLength - from, scratchFrames);
    const bool lastRun = from + length >= blockLength;
    const int32 to = lastRun ? INT32_MAX : from + length;
    eventQueue->beginRun();
    sustainPedal.beginRun();
    readParameterChanges(data.inputParameterChanges, blockLength, from, to);
    readEvents(data.inputEvents, blockLength, from, to);
    sustainPedal.endRun([this](int32 s, int32 c, int32 d1, int32 d2, int32 o) { queueEvent(s, c, d1, d2, o); });
    if (bypass) {
      silenceOutputs(data, from, length);
    } else if (length > 0) {
      renderRun(data, from, length);
    } else {
      // A block of no samples: its events take effect now, at sample 0.
      float* channels[ovri::korvane::kChannelCount];
      for (int32 c = 0; c < ovri::korvane::kChannelCount; ++c)
        channels[c] = scratch.data() + static_cast<size_t>(c) * static_cast<size_t>(scratchFrames);
      engineHost->rack->runBlock(channels, 0);
    }
    from += length;
  } while (from < blockLength);
  audio.endBlock(blockHadSysEx);
  return kResultOk;
}

// ---------------------------------------------------------------------------
// State and messages

tresult PLUGIN_API KorvaneVSTProcessor::setState(IBStream* state) {
  if (engineHost == nullptr || state == nullptr) return kResultFalse;
  // The whole image is read and checked first; one that is incomplete or
  // malformed is refused and changes nothing.
  std::vector<uint8_t> bytes;
  if (!ovri::korvane::plugin::readStateStream(*state, bytes)) {
    sendHostMessage(msg::kSetState, true);
    return kResultFalse;
  }
  auto image = std::make_unique<ovri::korvane::plugin::StateImage>();
  ovri::korvane::plugin::parseStateImage(bytes.data(), bytes.size(), *image);
  auto lock = engineHost->lockMain();
  engineHost->synchronize();  // frees what came back before building another state
  const bool loaded = ovri::korvane::plugin::loadStateImage(*engineHost, *image);
  if (loaded) {
    const auto trailer = ovri::korvane::plugin::readStateTrailer(bytes.data(), bytes.size(), image->bytesRead);
    const bool bypassed = trailer.bypass;
    sustainPedal.setEnabled(trailer.sustainPedal);
    if (engineHost->isAudioRunning())
      bypassFromState.store(bypassed ? 1 : 0, std::memory_order_release);
    else
      setBypass(bypassed);
  }
  sendHostMessage(msg::kSetState, true);  // whatever the result
  return loaded ? kResultOk : kResultFalse;
}

tresult PLUGIN_API KorvaneVSTProcessor::getState(IBStream* state) {
  if (engineHost == nullptr || state == nullptr) return kResultFalse;
  auto image = std::make_unique<ovri::korvane::plugin::StateImage>();
  auto lock = engineHost->lockMain();
  ovri::korvane::plugin::captureStateImage(*engineHost, *image);
  std::vector<uint8_t> bytes = ovri::korvane::plugin::serializeStateImage(*image);
  const int32 pendingBypass = bypassFromState.load(std::memory_order_relaxed);
  ovri::korvane::plugin::appendStateTrailer(bytes, {pendingBypass >= 0 ? pendingBypass != 0 : isBypassed(), sustainPedal.enabled()});
  int32 written = 0;
  if (state->write(const_cast<uint8_t*>(bytes.data()), static_cast<int32>(bytes.size()), &written) != kResultOk ||
      written != static_cast<int32>(bytes.size()))
    return kResultFalse;
  sendHostMessage(msg::kGetState, true);
  return kResultOk;
}

tresult PLUGIN_API KorvaneVSTProcessor::notify(IMessage* message) {
  if (message == nullptr) return kInvalidArgument;
  const char* id = message->getMessageID();
  if (id == nullptr || engineHost == nullptr) return AudioEffect::notify(message);
  IAttributeList* attributes = message->getAttributes();
  auto lock = engineHost->lockMain(std::defer_lock);
  if (std::strncmp(id, msg::kEditorPrefix, std::strlen(msg::kEditorPrefix)) == 0) {
    lock.lock();
    engineHost->synchronize();
  }
  if (std::strcmp(id, msg::kValueChange) == 0) {
    int64 tag = 0;
    double value = 0.0;
    if (attributes != nullptr) {
      attributes->getInt(key::kTag, tag);
      attributes->getFloat(key::kValue, value);
    }
    if (tag == ovri::korvane::protocol::tags::kSustainPedal) {  // the processor's own switch
      sustainPedal.setEnabled(value >= 0.5);
      sendValueUpdate(static_cast<int32>(tag), sustainPedal.enabled() ? 1.0f : 0.0f);
      return kResultOk;
    }
    const auto answer = ovri::korvane::plugin::applyValueChange(*engineHost, static_cast<int32>(tag),
                                                                 static_cast<float>(value));
    if (answer) sendValueUpdate(static_cast<int32>(tag), *answer);
    return kResultOk;
  }
  if (std::strcmp(id, msg::kFileSelect) == 0) {
    int64 tag = 0;
    const void* data = nullptr;
    uint32 size = 0;
    if (attributes != nullptr) {
      attributes->getInt(key::kTag, tag);
      attributes->getBinary(key::kPath, data, size);
    }
    // The path as a narrow byte string, up to its closing zero.
    std::string path;
    if (data != nullptr) path.assign(static_cast<const char*>(data), strnlen(static_cast<const char*>(data), size));
    ovri::korvane::plugin::FileActionResult result;
    if (ovri::korvane::plugin::runFileAction(*engineHost, static_cast<int32>(tag), path, &result))
      sendHostMessage(msg::kUiUpdate, false);
    sendFileResult(static_cast<int32>(tag), path, result);
    return kResultOk;
  }
  if (std::strcmp(id, msg::kEditorOpened) == 0) {
    sendHostMessage(msg::kOpenGui, true);
    return kResultOk;
  }
  return AudioEffect::notify(message);
}

// Every message but msg::kOpenGui also carries the names of the 128
// instrument tones ("kvnames", 16 bytes each), from which the controller
// keeps its program lists.
void KorvaneVSTProcessor::sendHostMessage(const char* id, bool withHost) {
  IMessage* message = allocateMessage();
  if (message == nullptr) return;
  message->setMessageID(id);
  if (IAttributeList* attributes = message->getAttributes()) {
    if (withHost) {
      const ovri::korvane::EngineView* address = engineHost.get();
      attributes->setBinary(key::kEngineHost, &address, sizeof address);
    }
    if (std::strcmp(id, msg::kOpenGui) != 0 && engineHost != nullptr) {
      char names[kp::kProgramCount * ovri::korvane::synth::kPresetNameLength];
      for (int32 i = 0; i < kp::kProgramCount; ++i)
        std::memcpy(names + i * ovri::korvane::synth::kPresetNameLength, engineHost->model.tones[i].presetName,
                    ovri::korvane::synth::kPresetNameLength);
      attributes->setBinary(key::kProgramNames, names, sizeof names);
    }
  }
  sendMessage(message);
  message->release();
}

// What became of a file action, for the editor's status line.
void KorvaneVSTProcessor::sendFileResult(int32 tag, const std::string& path,
                                         const ovri::korvane::plugin::FileActionResult& result) {
  IMessage* message = allocateMessage();
  if (message == nullptr) return;
  message->setMessageID(msg::kFileResult);
  if (IAttributeList* attributes = message->getAttributes()) {
    attributes->setInt(key::kTag, tag);
    attributes->setBinary(key::kPath, path.c_str(), static_cast<uint32>(path.size() + 1));
    attributes->setInt(key::kOutcome, static_cast<int64>(result.outcome));
    attributes->setInt(key::kCount, result.count);
    attributes->setBinary(key::kReason, result.reason.c_str(), static_cast<uint32>(result.reason.size() + 1));
  }
  sendMessage(message);
  message->release();
}

void KorvaneVSTProcessor::sendValueUpdate(int32 tag, float value) {
  IMessage* message = allocateMessage();
  if (message == nullptr) return;
  message->setMessageID(msg::kValueUpdate);
  if (IAttributeList* attributes = message->getAttributes()) {
    attributes->setInt(key::kTag, tag);
    attributes->setFloat(key::kValue, value);
  }
  sendMessage(message);
  message->release();
}

// Every point of a MIDI parameter's queue becomes its channel message at
// the point's offset, so that two changes in one block both arrive, where
// they belong, whatever the host's block size. Bypass reads the last point
// of its queue: exactly 1.0 switches the engine off and ends the reading
// (changes after it in the list are not applied); any other value ends a
// bypass. Bypass acts on the whole block, whatever its offset.
void KorvaneVSTProcessor::readParameterChanges(IParameterChanges* changes, int32 blockLength, int32 from,
                                               int32 to) {
  if (changes == nullptr) return;
  const int32 count = changes->getParameterCount();
  for (int32 i = 0; i < count; ++i) {
    IParamValueQueue* queue = changes->getParameterData(i);
    if (queue == nullptr) continue;
    const int32 points = queue->getPointCount();
    if (points <= 0) continue;
    const ParamID id = queue->getParameterId();

    if (id == kp::kBypassParamId) {
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(points - 1, offset, value) != kResultOk) continue;
      if (value == 1.0) {
        if (!bypass) {
          engineHost->rack->deactivateAll();
          setBypass(true);
        }
        return;
      }
      if (bypass) engineHost->rack->activateAll();
      setBypass(false);
      continue;
    }
    if ((id & kp::kMidiParamFlag) == 0) continue;
    const int32 channel = static_cast<int32>((id >> 8) & 0xF);
    const uint32 number = id & 0xFF;
    for (int32 p = 0; p < points; ++p) {
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(p, offset, value) != kResultOk) continue;
      offset = clampOffset(offset, blockLength);
      if (offset < from || offset >= to) continue;
      offset -= from;
      if (number < 0x80) {
        appendEvent(midi::kControlChange, channel, static_cast<int32>(number), scaleNormalized(value, 127), offset);
      } else if (number == kp::kChannelPressureNumber) {
        appendEvent(midi::kChannelPressure, channel, scaleNormalized(value, 127), 0, offset);
      } else if (number == kp::kPitchBendNumber) {
        const int32 bend = scaleNormalized(value, 16383);
        appendEvent(midi::kPitchBend, channel, bend & 0x7F, (bend >> 7) & 0x7F, offset);
      } else if (number == kp::kProgramChangeNumber) {
        appendEvent(midi::kProgramChange, channel, scaleNormalized(value, 127), 0, offset);
      }
    }
  }
}

void KorvaneVSTProcessor::readEvents(IEventList* events, int32 blockLength, int32 from, int32 to) {
  if (events == nullptr) return;
  const int32 count = events->getEventCount();
  for (int32 i = 0; i < count; ++i) {
    Event event{};
    if (events->getEvent(i, event) != kResultOk) continue;
    int32 offset = clampOffset(event.sampleOffset, blockLength);
    if (offset < from || offset >= to) continue;
    offset -= from;
    switch (event.type) {
      case Event::kNoteOnEvent: {
        const NoteOnEvent& note = event.noteOn;
        if (note.channel < 0 || note.channel >= kEventBusChannels || note.pitch < 0 || note.pitch > 127) break;
        appendEvent(midi::kNoteOn, note.channel, note.pitch, scaleNormalized(note.velocity, 127), offset);
        break;
      }
      case Event::kNoteOffEvent: {
        const NoteOffEvent& note = event.noteOff;
        if (note.channel < 0 || note.channel >= kEventBusChannels || note.pitch < 0 || note.pitch > 127) break;
        appendEvent(midi::kNoteOff, note.channel, note.pitch, 0, offset);
        break;
      }
      case Event::kDataEvent:
        if (event.data.type == DataEvent::kMidiSysEx) appendSystemExclusive(event.data.bytes, event.data.size, offset);
        break;
      default:
        break;
    }
  }
}

void KorvaneVSTProcessor::appendEvent(int32 status, int32 channel, int32 data1, int32 data2, int32 offset) {
  sustainPedal.route(status, channel, data1, data2, offset,
                     [this](int32 s, int32 c, int32 d1, int32 d2, int32 o) { queueEvent(s, c, d1, d2, o); });
}

// A full queue drops the event.
void KorvaneVSTProcessor::queueEvent(int32 status, int32 channel, int32 data1, int32 data2, int32 offset) {
  ovri::korvane::MidiEvent& e = stagedEvent;
  e.status = status;
  e.channel = channel;
  e.data1 = data1;
  e.data2 = data2;
  e.sysexLength = 0;
  e.sampleOffset = offset;
  e.next = nullptr;
  eventQueue->add(e);
}

// The host's bytes start with F0; the payload is what follows it (the
// closing F7 included), cut at the payload capacity.
void KorvaneVSTProcessor::appendSystemExclusive(const uint8* bytes, uint32 size, int32 offset) {
  ovri::korvane::MidiEvent& e = stagedEvent;
  e.status = midi::kSystemExclusive;
  e.channel = 0;
  e.data1 = 0;
  e.data2 = 0;
  const uint32 payload = (bytes == nullptr || size < 2) ? 0 : size - 1;
  e.sysexLength = static_cast<int32>(std::min<uint32>(payload, ovri::korvane::kSysExCapacity));
  if (e.sysexLength > 0) std::memcpy(e.sysexData, bytes + 1, static_cast<size_t>(e.sysexLength));
  e.sampleOffset = offset;
  e.next = nullptr;
  eventQueue->add(e);
  blockHadSysEx = true;
}

// Renders samples from..from+length-1 of the block. Each engine channel
// writes into the host's buffer when there is one, else into its scratch
// buffer; host channels beyond the two an output uses are zeroed.
void KorvaneVSTProcessor::renderRun(ProcessData& data, int32 from, int32 length) {
  float* channels[ovri::korvane::kChannelCount];
  const int32 given = givenOutputs(data);
  for (int32 bus = 0; bus < kp::kOutputBusCount; ++bus) {
    AudioBusBuffers* buffers = bus < given ? &data.outputs[bus] : nullptr;
    float** host = buffers != nullptr ? buffers->channelBuffers32 : nullptr;
    const int32 hostChannels = host != nullptr ? buffers->numChannels : 0;
    for (int32 side = 0; side < 2; ++side) {
      const int32 channel = 2 * bus + side;
      float* target = (side < hostChannels && host[side] != nullptr)
                          ? host[side] + from
                          : scratch.data() + static_cast<size_t>(channel) * static_cast<size_t>(scratchFrames);
      std::fill_n(target, length, 0.0f);
      channels[channel] = target;
    }
    for (int32 c = 2; c < hostChannels; ++c)
      if (host[c] != nullptr) std::fill_n(host[c] + from, length, 0.0f);
    if (buffers != nullptr) buffers->silenceFlags = 0;
  }
  engineHost->rack->runBlock(channels, length);
}

}  // namespace Steinberg::Vst

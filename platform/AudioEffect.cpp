#include "platform/AudioEffect.h"

namespace Steinberg::Vst {

namespace {

template <typename BusT>
BusT* busAt(BusList& list, int32 index) {
  if (index < 0 || index >= static_cast<int32>(list.size())) return nullptr;
  return static_cast<BusT*>(list.at(static_cast<size_t>(index)).get());
}

// Applies the offered arrangements to the first count audio buses of list.
void applyArrangements(BusList& list, const SpeakerArrangement* arrangements, int32 count) {
  for (int32 i = 0; i < count; ++i)
    static_cast<AudioBus*>(list.at(static_cast<size_t>(i)).get())->setArrangement(arrangements[i]);
}

}  // namespace

AudioEffect::AudioEffect() {
  // Until the host calls setupProcessing: realtime, 32-bit, 44.1 kHz, 1024.
  processSetup.processMode = kRealtime;
  processSetup.symbolicSampleSize = kSample32;
  processSetup.maxSamplesPerBlock = 1024;
  processSetup.sampleRate = 44100.0;
}

AudioBus* AudioEffect::addAudioInput(const TChar* name, SpeakerArrangement arrangement, BusType busType,
                                     int32 flags) {
  auto* bus = new AudioBus(name, busType, flags, arrangement);
  audioInputs.push_back(IPtr<Bus>(bus, false));
  return bus;
}

AudioBus* AudioEffect::addAudioOutput(const TChar* name, SpeakerArrangement arrangement, BusType busType,
                                      int32 flags) {
  auto* bus = new AudioBus(name, busType, flags, arrangement);
  audioOutputs.push_back(IPtr<Bus>(bus, false));
  return bus;
}

EventBus* AudioEffect::addEventInput(const TChar* name, int32 channels, BusType busType, int32 flags) {
  auto* bus = new EventBus(name, busType, flags, channels);
  eventInputs.push_back(IPtr<Bus>(bus, false));
  return bus;
}

EventBus* AudioEffect::addEventOutput(const TChar* name, int32 channels, BusType busType, int32 flags) {
  auto* bus = new EventBus(name, busType, flags, channels);
  eventOutputs.push_back(IPtr<Bus>(bus, false));
  return bus;
}

AudioBus* AudioEffect::getAudioInput(int32 index) { return busAt<AudioBus>(audioInputs, index); }
AudioBus* AudioEffect::getAudioOutput(int32 index) { return busAt<AudioBus>(audioOutputs, index); }
EventBus* AudioEffect::getEventInput(int32 index) { return busAt<EventBus>(eventInputs, index); }
EventBus* AudioEffect::getEventOutput(int32 index) { return busAt<EventBus>(eventOutputs, index); }

// Accepts any arrangement for the buses that exist: the offer is refused
// only when it names more buses than declared (or gives no array for them).
tresult PLUGIN_API AudioEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts) {
  if (numIns < 0 || numOuts < 0) return kInvalidArgument;
  if ((numIns > 0 && inputs == nullptr) || (numOuts > 0 && outputs == nullptr)) return kInvalidArgument;
  if (numIns > static_cast<int32>(audioInputs.size()) || numOuts > static_cast<int32>(audioOutputs.size()))
    return kResultFalse;
  applyArrangements(audioInputs, inputs, numIns);
  applyArrangements(audioOutputs, outputs, numOuts);
  return kResultTrue;
}

tresult PLUGIN_API AudioEffect::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) {
  AudioBus* bus = dir == kInput ? getAudioInput(index) : getAudioOutput(index);
  if (bus == nullptr) return kInvalidArgument;
  arr = bus->getArrangement();
  return kResultTrue;
}

tresult PLUGIN_API AudioEffect::canProcessSampleSize(int32 symbolicSampleSize) {
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API AudioEffect::setupProcessing(ProcessSetup& setup) {
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
  processSetup = setup;
  return kResultOk;
}

tresult PLUGIN_API AudioEffect::setProcessing(TBool) { return kNotImplemented; }

tresult PLUGIN_API AudioEffect::process(ProcessData&) { return kNotImplemented; }

}  // namespace Steinberg::Vst

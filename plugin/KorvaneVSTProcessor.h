#pragma once

#include "engine/MidiEvent.h"
#include "platform/AudioEffect.h"
#include "plugin/EngineHost.h"
#include "plugin/FileActions.h"
#include "plugin/HostEventQueue.h"
#include "plugin/SustainPedal.h"

#include <atomic>
#include <memory>
#include <vector>

namespace Steinberg::Vst {

// The instrument's audio component: one event input, sixteen stereo
// outputs, and the engine (through its EngineHost) that turns the host's
// events and MIDI parameters into sound.
class KorvaneVSTProcessor : public AudioEffect {
public:
  // Longest run rendered in one go into scratch channels; longer host
  // blocks are rendered in runs of at most this many samples.
  static constexpr int32 kMaxScratchFrames = 8192;

  KorvaneVSTProcessor();
  ~KorvaneVSTProcessor() override;

  static FUnknown* createInstance(void* context);

  tresult PLUGIN_API initialize(FUnknown* context) SMTG_OVERRIDE;
  tresult PLUGIN_API terminate() SMTG_OVERRIDE;
  tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                        int32 numOuts) SMTG_OVERRIDE;
  tresult PLUGIN_API setupProcessing(ProcessSetup& setup) SMTG_OVERRIDE;
  tresult PLUGIN_API setProcessing(TBool state) SMTG_OVERRIDE;
  tresult PLUGIN_API setActive(TBool state) SMTG_OVERRIDE;
  tresult PLUGIN_API process(ProcessData& data) SMTG_OVERRIDE;
  tresult PLUGIN_API setState(IBStream* state) SMTG_OVERRIDE;
  tresult PLUGIN_API getState(IBStream* state) SMTG_OVERRIDE;
  tresult PLUGIN_API notify(IMessage* message) SMTG_OVERRIDE;

  // Null before initialize() and after terminate().
  ovri::korvane::EngineHost* getEngineHost() const { return engineHost.get(); }
  bool isBypassed() const { return bypassShown.load(std::memory_order_relaxed); }
  bool isSustainPedalOn() const { return sustainPedal.enabled(); }

private:
  void prepareScratch();
  // Queue the host's input for one run: what lies at the offsets from..to-1
  // (offsets already clamped into the block) goes in, rebased to from.
  void readParameterChanges(IParameterChanges* changes, int32 blockLength, int32 from, int32 to);
  void readEvents(IEventList* events, int32 blockLength, int32 from, int32 to);
  // Every channel event passes the sustain pedal on its way to queueEvent.
  void appendEvent(int32 status, int32 channel, int32 data1, int32 data2, int32 offset);
  void queueEvent(int32 status, int32 channel, int32 data1, int32 data2, int32 offset);
  void appendSystemExclusive(const uint8* bytes, uint32 size, int32 offset);
  void renderRun(ProcessData& data, int32 from, int32 length);
  // Sends a message with, when withHost, the "kvset" address of the engine host.
  void sendHostMessage(const char* id, bool withHost);
  void sendValueUpdate(int32 tag, float value);
  void sendFileResult(int32 tag, const std::string& path, const ovri::korvane::plugin::FileActionResult& result);

  // Audio thread: switches bypass and publishes it for the saved state.
  void setBypass(bool on) {
    bypass = on;
    bypassShown.store(on, std::memory_order_relaxed);
  }

  bool bypass = false;                      // the audio thread's
  std::atomic<bool> bypassShown{false};     // what getState saves
  std::atomic<int32> bypassFromState{-1};   // set by setState, taken by the next block (-1: none)
  std::unique_ptr<ovri::korvane::EngineHost> engineHost;
  std::unique_ptr<ovri::korvane::plugin::HostEventQueue> eventQueue;  // fills engineHost's queue
  bool active = false;
  // One buffer per engine channel for outputs the host gives no buffer.
  std::vector<float> scratch;
  int32 scratchFrames = 0;
  ovri::korvane::MidiEvent stagedEvent;  // filled, then copied into the queue
  bool blockHadSysEx = false;            // the block queued system exclusive
  ovri::korvane::plugin::SustainPedal sustainPedal;  // the "Sustain Pedal (CC 64)" switch and its held keys
};

}  // namespace Steinberg::Vst

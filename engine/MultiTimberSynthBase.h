#pragma once

#include "engine/KorvaneModule.h"
#include "engine/MidiEvent.h"
#include "engine/ModuleRack.h"
#include "engine/VoiceBits.h"
#include "tonegen/SoundData.h"
#include "tonegen/VoiceUnit.h"

#include <cstdint>

namespace ovri::korvane::synth {

constexpr int32_t kPartCount = 16;
constexpr int32_t kMaxVoices = 1024;
constexpr int32_t kParameterHandlerCount = 257;  // 0..127 RPN, 128..255 NRPN 0/n, 256 none
constexpr int32_t kNoParameter = 256;

// The multitimbral engine: 16 parts, a shared voice pool, controller and
// RPN/NRPN handling and the sample-accurate block loop.
class MultiTimberSynthBase : public IKorvaneModule {
public:
  // What the engine requires of a voice (tonegen/VoiceUnit.h).
  using VoiceUnitBase = synth::VoiceUnitBase;

  using ControllerHandler = void (*)(MultiTimberSynthBase& synth, MidiEvent& event);
  using ParameterHandler = void (*)(MultiTimberSynthBase& synth, int32_t& channel, int32_t& value,
                                    int32_t& mask, int32_t& increment);

  MultiTimberSynthBase(float masterTune, float masterVolume);
  MultiTimberSynthBase(const MultiTimberSynthBase&) = delete;
  MultiTimberSynthBase& operator=(const MultiTimberSynthBase&) = delete;

  // Module interface (0..13).
  void setSampleRate(float hz) override;
  void setBlockSize(int32_t) override {}
  void reset() override;
  void initialize() override;
  void attached(ModuleRack* rack) override;
  void detached() override;
  void disabledChanged(bool disabled) override;
  void reservedStop1() override;
  void reservedStop2() override;
  void deactivate() override;
  void activate() override;
  void process(RenderContext& context) override;
  ~MultiTimberSynthBase() override;

  virtual void allocateVoices(int32_t count) = 0;       // 14
  virtual void updateRateConstants() {}                 // 15
  virtual void buildVolumeTable();                      // 16
  virtual void initializeSoundData() {}                 // 17
  virtual float getMasterVolume();                      // 18
  virtual void setMasterVolume(float gain);             // 19
  virtual float getSampleRate();                        // 20
  virtual void applySampleRate(float hz);               // 21
  virtual float getMasterTune();                        // 22
  virtual void setMasterTune(float hz);                 // 23
  virtual int32_t getActiveVoiceCount();                // 24
  virtual int32_t getPolyphony();                       // 25
  virtual int32_t setPolyphony(int32_t count);          // 26
  // The polyphony change itself, without setPolyphony's check for an
  // unchanged count: count rounded up to a power of two (at most
  // kMaxVoices) voices come into use, every sounding note ends, the cursor
  // returns to 0 and the rate constants are set again. Below 1 changes
  // nothing. Once the engine is built this neither allocates nor frees, so
  // the audio thread may call it between blocks. Returns the count in use.
  int32_t usePolyphony(int32_t count);
  virtual void setPartOutput(int32_t part, int32_t output);  // 27
  virtual int32_t getManufacturerId();                  // 28
  virtual void setManufacturerId(int32_t id);           // 29
  virtual int32_t getDeviceId();                        // 30
  virtual void setDeviceId(int32_t id);                 // 31
  virtual int32_t getModelId();                         // 32
  virtual void setModelId(int32_t id);                  // 33
  virtual void systemReset();                           // 34
  virtual int32_t getPartDefaultMode(int32_t part);     // 35
  virtual void setPartDefaultMode(int32_t part, int32_t mode);  // 36
  virtual int32_t getPartMode(int32_t part);            // 37
  virtual void setPartMode(int32_t part, int32_t mode); // 38
  virtual void resetParts(bool restoreModes);           // 39
  virtual void stopVoices(int32_t part);                // 40: -1 = all
  virtual void soundOff(int32_t part);                  // 41: -1 = all
  // Direct messages, for callers outside the block loop (42..50).
  virtual void noteOff(const int32_t& channel, const int32_t& key, const int32_t& velocity);
  virtual void noteOn(const int32_t& channel, const int32_t& key, const int32_t& velocity);
  virtual void polyPressure(const int32_t& channel, const int32_t& key, const int32_t& value);
  virtual void controlChange(const int32_t& channel, const int32_t& number, const int32_t& value);
  virtual void programChange(const int32_t& channel, const int32_t& program);
  virtual void channelPressure(const int32_t& channel, const int32_t& value);
  virtual void pitchBend(const int32_t& channel, const int32_t& lsb, const int32_t& msb);
  virtual void pitchBend14(const int32_t& channel, const int32_t& value);
  virtual void systemExclusive(const uint8_t* bytes, int32_t length);
  // Event handlers (51..57).
  virtual void onNoteOff(MidiEvent& event);
  virtual void onNoteOn(MidiEvent& event);
  virtual void onPolyPressure(MidiEvent& event);
  virtual void onProgramChange(MidiEvent& event);
  virtual void onChannelPressure(MidiEvent& event);
  virtual void onPitchBend(MidiEvent& event);
  virtual void onSystemExclusive(MidiEvent& event);
  // Renders each of count voices from its position up to end into its own
  // pair of buffers (lefts[i], rights[i]). The engine's own voices may be
  // rendered several at a time; the output is as if one after the other.
  virtual void renderVoiceGroup(VoiceUnitBase* const* group, float* const* lefts, float* const* rights,
                                int32_t count, int32_t end);
  // True when renderVoiceGroup renders voices side by side rather than one
  // after the other.
  virtual bool rendersSideBySide() const { return false; }
  virtual bool isRpnEnabled();                          // 58
  virtual void setRpnEnabled(bool enabled);             // 59
  virtual bool isNrpnEnabled();                         // 60
  virtual void setNrpnEnabled(bool enabled);            // 61

  // Record access for the plug-in (editor, state, value tags).
  PartState& getPart(int32_t index) { return parts[index & 15]; }
  const PartState& getPart(int32_t index) const { return parts[index & 15]; }
  // A voice of the pool (0..kMaxVoices-1), to read: a voice changed
  // directly, not through the engine's operations, leaves the voice index
  // out of step.
  VoiceUnitBase& getVoice(int32_t index) { return *voices[index]; }
  int32_t getAllocationCursor() const { return allocationCursor; }
  // The block loop in which every sounding voice catches up before every
  // event and adds straight into the shared buffers. It gives the same
  // output as the loop in use, at a cost of events x voices; kept as the
  // reference the loop in use is checked against.
  void setReferenceBlockLoop(bool on) { referenceLoop = on; }
  bool getReceiveSysEx() const { return receiveSysEx != 0; }
  void setReceiveSysEx(bool enabled) { receiveSysEx = enabled ? 1 : 0; }
  const float* getVolumeTable() const { return volumeTable; }

protected:
  // Executes one event as the block loop does (the channel and controller
  // number are checked first: an event outside 0..15 or 0..127 is ignored).
  void dispatch(MidiEvent& event);
  // Fills the scratch event and dispatches it (the direct messages).
  void dispatchDirect(int32_t status, int32_t channel, int32_t data1, int32_t data2);
  void renderVoicesUntil(int32_t end);
  void processReference(RenderContext& context);
  // The block loop in use: only the voices an event concerns catch up to
  // it, into their own scratch rows; at the end of each chunk of
  // kScratchLength samples (and before a master-level event) every voice,
  // in ascending order, adds its rows into the shared buffers and renders
  // the rest of the way (see synchronize).
  void processByVoice(RenderContext& context, int32_t first, int32_t end);
  bool admit(MidiEvent& event, int32_t first, int32_t end) const;
  // Renders voice index (count voices of indices) from its position up to
  // end into its scratch row.
  void catchUp(int32_t index, int32_t end) { catchUpMany(&index, 1, end); }
  void catchUpMany(const int32_t* indices, int32_t count, int32_t end);
  // Catches up the voices event (at offset at) can change.
  void catchUpFor(const MidiEvent& event, int32_t at);
  // Every sounding voice catches up to at and every scratch row is added
  // into the shared buffers, voice by voice in ascending order.
  void synchronize(int32_t at);
  void startChunk(int32_t from, int32_t end);
  void reachChunk(int32_t at, int32_t end);
  int32_t findVoice();
  // Calls fn(voice) for every voice playing on part (0..15), in ascending
  // voice order; fn may stop, release or damp the voice.
  template <typename Fn> void forEachVoiceOfPart(int32_t part, Fn fn) {
    if (part < 0 || part >= kPartCount) return;
    const VoiceSet& listed = partVoices[part];
    forEachVoiceBit(voiceCount, [&listed](int32_t w) { return listed.words[w]; }, [&](int32_t i) {
      VoiceUnitBase& voice = *voices[i];
      if (voice.part == part) fn(voice);
      trackVoice(i);
    });
  }
  // Calls fn(index) for every voice in use whose state byte is not 0, in
  // ascending order.
  template <typename Fn> void forEachSoundingVoice(Fn fn) {
    forEachVoiceBit(voiceCount, [this](int32_t w) { return ~idleVoices.words[w]; }, fn);
  }

  // The voice index: which voices are idle, fading, held and on which
  // part, so that an event reaches the voices it concerns without a walk
  // over the whole pool. It is brought in step with a voice after every
  // call that can change the voice's stateByte or part (start, stop,
  // release, damp, a render run) and must be, before the next search.
  // Voices beyond voiceCount are idle and listed under no part.
  using VoiceSet = VoiceBitSet<kMaxVoices>;
  // Reads the stateByte and part of voice index into the index.
  void trackVoice(int32_t index);
  // Every voice of the pool is idle (after the rate constants are set or
  // the pool is rebuilt).
  void trackAllVoicesIdle();
  // A note-on started voice index: index it and mark it used.
  void voiceStarted(int32_t index);

  float* volumeTable = nullptr;  // [i] = 2^((i+1)/8) / 65536: 0.75 dB steps, [127] = 1.0
  int32_t portMask = kDefaultPortMask;
  uint8_t receiveSysEx = 0;
  uint8_t manufacturerId = 0x7D;
  uint8_t deviceId = 0x10;
  uint8_t modelId = 0x00;
  float sampleRate = 44100.0f;
  float masterTune;    // Hz
  float masterVolume;  // linear gain handed to the voices
  PartState* parts = nullptr;
  int32_t maxPartMode = 0;
  int32_t voiceCount = 128;
  VoiceUnitBase** voices = nullptr;
  int32_t allocationCursor = 0;
  int32_t voiceMask = 127;
  MidiEvent scratchEvent;
  ControllerHandler controllerHandlers[128];
  ParameterHandler parameterHandlers[kParameterHandlerCount];
  uint8_t rpnEnabled = 1;
  uint8_t nrpnEnabled = 0;
  RenderContext* currentContext = nullptr;  // set while a block renders
  VoiceSet idleVoices;               // stateByte == 0
  VoiceSet fadingVoices;             // stateByte has kReleased or kDamped
  VoiceSet heldVoices;               // stateByte has kKeyHeld
  VoiceSet partVoices[kPartCount];   // part == p
  VoiceSet usedVoices;               // started since the voice was last made as new
  int8_t listedPart[kMaxVoices];     // the part a voice is listed under in partVoices, -1 none

  // Per-voice scratch of the block loop.
  static constexpr int32_t kScratchLength = 64;   // samples per chunk
  static constexpr int32_t kScratchSegments = 4;  // closed runs a voice keeps per chunk
  struct ScratchSegment {
    int32_t from;
    int32_t to;
    int32_t pair;
  };
  // What a voice's scratch row holds of the current chunk: closed
  // segments (a restart elsewhere in time or on another pair closes one)
  // and the open one, from `from` (-1 none) up to `to`.
  struct VoiceScratch {
    int32_t from = -1;
    int32_t to = 0;
    int32_t pair = 0;
    int32_t closed = 0;
    ScratchSegment segments[kScratchSegments];
  };
  float* scratchRows = nullptr;        // kMaxVoices rows of 2 x kScratchLength (left, right)
  VoiceScratch* scratchState = nullptr;  // [kMaxVoices]
  int32_t* groupIndices = nullptr;     // [kMaxVoices]: the voices of one catch-up
  int32_t* groupStates = nullptr;      // their stateBytes before it
  int32_t* listIndices = nullptr;      // [kMaxVoices]: the voices an event or a chunk end concerns
  VoiceUnitBase** groupVoices = nullptr;
  float** groupLefts = nullptr;
  float** groupRights = nullptr;
  VoiceSet pendingVoices;              // voices with scratch not yet added to the buffers
  VoiceSet volatileVoices;             // sounding voices whose state may change before chunkEnd
  VoiceSet recheckVoices;              // voices changed since volatileVoices was last brought in step
  bool volatileStale = true;           // volatileVoices not yet brought in step in this chunk
  int32_t chunkStart = 0;
  int32_t chunkEnd = 0;
  bool referenceLoop = false;

private:
  void buildParameterHandlers();
  void buildControllerHandlers();
  void resetRegisters();
  static void selectParameter(PartState& part, int32_t reg, bool nrpn);

  // Controller handlers.
  static void ccStore(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccIgnore(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccModulation(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccDataEntryMsb(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccVolume(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccPan(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccExpression(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccDataEntryLsb(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccDataIncrement(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccDataDecrement(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccNrpnLsb(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccNrpnMsb(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccRpnLsb(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccRpnMsb(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccAllSoundOff(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccResetAllControllers(MultiTimberSynthBase& s, MidiEvent& e);
  static void ccAllNotesOff(MultiTimberSynthBase& s, MidiEvent& e);
  // Parameter handlers.
  static void prmIgnore(MultiTimberSynthBase&, int32_t&, int32_t&, int32_t&, int32_t&);
  static void prmBendRange(MultiTimberSynthBase& s, int32_t& channel, int32_t& value, int32_t& mask, int32_t& inc);
  static void prmMasterVolume(MultiTimberSynthBase& s, int32_t& channel, int32_t& value, int32_t& mask, int32_t& inc);
  static void prmPartDefaultMode(MultiTimberSynthBase& s, int32_t& channel, int32_t& value, int32_t& mask, int32_t& inc);
  static void prmPartMode(MultiTimberSynthBase& s, int32_t& channel, int32_t& value, int32_t& mask, int32_t& inc);
  static void callParameterHandler(MultiTimberSynthBase& s, int32_t channel, int32_t value, int32_t mask, int32_t inc);
};

}  // namespace ovri::korvane::synth

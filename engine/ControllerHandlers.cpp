// The control-change and RPN/NRPN handler tables of the engine.
#include "engine/MultiTimberSynthBase.h"

namespace ovri::korvane::synth {

using Voice = MultiTimberSynthBase::VoiceUnitBase;

// Data entry callers hand the parameter handlers (value, mask, increment):
//   CC 6  Data Entry MSB   data2 << 7   0x7F    0   the MSB replaces the value
//   CC 38 Data Entry LSB   data2        0x3F80  0   the LSB arrived
//   CC 96 Data Increment   0            0x3FFF  +1  keep the value, step it
//   CC 97 Data Decrement   0            0x3FFF  -1
constexpr int32_t kMsbMask = 0x7F;
constexpr int32_t kLsbMask = 0x3F80;
constexpr int32_t kStepMask = 0x3FFF;

// Register flags: both halves of a parameter number seen at least once.
constexpr int32_t kLsbSeen = 0x4000;
constexpr int32_t kMsbSeen = 0x8000;
constexpr int32_t kComplete = kLsbSeen | kMsbSeen;

void MultiTimberSynthBase::buildControllerHandlers() {
  for (ControllerHandler& h : controllerHandlers) h = &ccStore;  // 0, 2-5, 8, 9, 12-37, 39-95, 102-119
  controllerHandlers[1] = &ccModulation;
  controllerHandlers[6] = &ccDataEntryMsb;
  controllerHandlers[7] = &ccVolume;
  controllerHandlers[10] = &ccPan;
  controllerHandlers[11] = &ccExpression;
  controllerHandlers[38] = &ccDataEntryLsb;
  controllerHandlers[96] = &ccDataIncrement;
  controllerHandlers[97] = &ccDataDecrement;
  controllerHandlers[98] = &ccNrpnLsb;
  controllerHandlers[99] = &ccNrpnMsb;
  controllerHandlers[100] = &ccRpnLsb;
  controllerHandlers[101] = &ccRpnMsb;
  controllerHandlers[120] = &ccAllSoundOff;
  controllerHandlers[121] = &ccResetAllControllers;
  controllerHandlers[122] = &ccIgnore;  // Local Control
  controllerHandlers[123] = &ccAllNotesOff;
  for (int32_t n = 124; n < 128; ++n) controllerHandlers[n] = &ccIgnore;
}

void MultiTimberSynthBase::buildParameterHandlers() {
  for (ParameterHandler& h : parameterHandlers) h = &prmIgnore;
  parameterHandlers[0] = &prmBendRange;          // RPN 0 pitch-bend sensitivity
  // RPN 1 fine tuning and RPN 2 coarse tuning are accepted and ignored.
  parameterHandlers[128 + 0] = &prmMasterVolume;      // NRPN 0/0
  parameterHandlers[128 + 32] = &prmPartDefaultMode;  // NRPN 0/32
  parameterHandlers[128 + 33] = &prmPartMode;         // NRPN 0/33
}

// ---------------------------------------------------------------------------
// Controllers

void MultiTimberSynthBase::ccStore(MultiTimberSynthBase& s, MidiEvent& e) {
  if (e.data1 < PartState::kControllerCount) s.parts[e.channel].controllers[e.data1] = e.data2;
}

void MultiTimberSynthBase::ccIgnore(MultiTimberSynthBase&, MidiEvent&) {}

void MultiTimberSynthBase::ccModulation(MultiTimberSynthBase& s, MidiEvent& e) {
  ccStore(s, e);
  const int32_t value = s.parts[e.channel].controllers[1];
  if (s.parts[e.channel].mode != kModeMute) s.forEachVoiceOfPart(e.channel, [value](Voice& v) { v.modulationChanged(value); });
}

void MultiTimberSynthBase::ccVolume(MultiTimberSynthBase& s, MidiEvent& e) {
  ccStore(s, e);
  const int32_t value = s.parts[e.channel].controllers[7];
  if (s.parts[e.channel].mode != kModeMute) s.forEachVoiceOfPart(e.channel, [value](Voice& v) { v.volumeChanged(value); });
}

void MultiTimberSynthBase::ccPan(MultiTimberSynthBase& s, MidiEvent& e) {
  ccStore(s, e);
  const int32_t value = s.parts[e.channel].controllers[10];
  if (s.parts[e.channel].mode != kModeMute) s.forEachVoiceOfPart(e.channel, [value](Voice& v) { v.panChanged(value); });
}

void MultiTimberSynthBase::ccExpression(MultiTimberSynthBase& s, MidiEvent& e) {
  ccStore(s, e);
  const int32_t value = s.parts[e.channel].controllers[11];
  if (s.parts[e.channel].mode != kModeMute) s.forEachVoiceOfPart(e.channel, [value](Voice& v) { v.expressionChanged(value); });
}

void MultiTimberSynthBase::ccDataEntryMsb(MultiTimberSynthBase& s, MidiEvent& e) {
  ccStore(s, e);
  callParameterHandler(s, e.channel, e.data2 << 7, kMsbMask, 0);
}

void MultiTimberSynthBase::ccDataEntryLsb(MultiTimberSynthBase& s, MidiEvent& e) {
  ccStore(s, e);
  callParameterHandler(s, e.channel, e.data2, kLsbMask, 0);
}

void MultiTimberSynthBase::ccDataIncrement(MultiTimberSynthBase& s, MidiEvent& e) {
  callParameterHandler(s, e.channel, 0, kStepMask, +1);
}

void MultiTimberSynthBase::ccDataDecrement(MultiTimberSynthBase& s, MidiEvent& e) {
  callParameterHandler(s, e.channel, 0, kStepMask, -1);
}

// Register layout: bits 0-6 LSB, bits 7-13 MSB, 0x4000 LSB seen, 0x8000 MSB
// seen. An LSB write keeps the MSB half and its flag; an MSB write keeps the
// LSB half and its flag.
void MultiTimberSynthBase::ccNrpnLsb(MultiTimberSynthBase& s, MidiEvent& e) {
  if (s.nrpnEnabled == 0) return;
  ccStore(s, e);
  PartState& part = s.parts[e.channel];
  part.nrpnRegister = (part.nrpnRegister & 0xBF80) | (e.data2 & 0x7F) | kLsbSeen;
  selectParameter(part, part.nrpnRegister, true);
}

void MultiTimberSynthBase::ccNrpnMsb(MultiTimberSynthBase& s, MidiEvent& e) {
  if (s.nrpnEnabled == 0) return;
  ccStore(s, e);
  PartState& part = s.parts[e.channel];
  part.nrpnRegister = (((e.data2 & 0x7F) | 0x100) << 7) | (part.nrpnRegister & 0x407F);
  selectParameter(part, part.nrpnRegister, true);
}

void MultiTimberSynthBase::ccRpnLsb(MultiTimberSynthBase& s, MidiEvent& e) {
  if (s.rpnEnabled == 0) return;
  ccStore(s, e);
  PartState& part = s.parts[e.channel];
  part.rpnRegister = (part.rpnRegister & 0xBF80) | (e.data2 & 0x7F) | kLsbSeen;
  selectParameter(part, part.rpnRegister, false);
}

void MultiTimberSynthBase::ccRpnMsb(MultiTimberSynthBase& s, MidiEvent& e) {
  if (s.rpnEnabled == 0) return;
  ccStore(s, e);
  PartState& part = s.parts[e.channel];
  part.rpnRegister = (((e.data2 & 0x7F) | 0x100) << 7) | (part.rpnRegister & 0x407F);
  selectParameter(part, part.rpnRegister, false);
}

// Once both halves have been seen, every write reselects: RPN 0/n selects
// handler n, NRPN 0/n handler 128 + n; any number above 0x7F (a non-zero
// MSB, the null number 127/127 included) selects nothing. RPN and NRPN share
// the selector: the last completed number of either kind wins.
void MultiTimberSynthBase::selectParameter(PartState& part, int32_t reg, bool nrpn) {
  if (reg < kComplete) return;
  const int32_t number = reg & 0x3FFF;
  if (number > 0x7F)
    part.parameterSelector = kNoParameter;
  else
    part.parameterSelector = nrpn ? 128 + number : number;
}

void MultiTimberSynthBase::ccAllSoundOff(MultiTimberSynthBase& s, MidiEvent& e) {
  if (s.parts[e.channel].mode != kModeMute) s.forEachVoiceOfPart(e.channel, [](Voice& v) { v.damp(); });
}

void MultiTimberSynthBase::ccResetAllControllers(MultiTimberSynthBase& s, MidiEvent& e) {
  PartState& part = s.parts[e.channel];
  part.resetRegisters();
  if (part.mode == kModeMute) return;
  s.forEachVoiceOfPart(e.channel, [&part](Voice& v) {
    v.pitchBendChanged(part.pitchBend);
    v.modulationChanged(part.controllers[1]);
    v.expressionChanged(part.controllers[11]);
  });
}

void MultiTimberSynthBase::ccAllNotesOff(MultiTimberSynthBase& s, MidiEvent& e) {
  if (s.parts[e.channel].mode == kModeMute) return;
  s.forEachVoiceOfPart(e.channel, [](Voice& v) {
    if ((v.stateByte & kKeyHeld) != 0) v.release();
  });
}

// ---------------------------------------------------------------------------
// Parameters

void MultiTimberSynthBase::callParameterHandler(MultiTimberSynthBase& s, int32_t channel, int32_t value, int32_t mask,
                                                int32_t inc) {
  int32_t selector = s.parts[channel].parameterSelector;
  if (selector < 0 || selector >= kParameterHandlerCount) selector = kNoParameter;
  s.parameterHandlers[selector](s, channel, value, mask, inc);
}

void MultiTimberSynthBase::prmIgnore(MultiTimberSynthBase&, int32_t&, int32_t&, int32_t&, int32_t&) {}

// RPN 0: bend range in semitones, 0..127. The LSB carries nothing.
void MultiTimberSynthBase::prmBendRange(MultiTimberSynthBase& s, int32_t& channel, int32_t& value, int32_t& mask,
                                        int32_t& inc) {
  if (mask == kLsbMask) return;
  PartState& part = s.parts[channel];
  int32_t range = ((((part.bendRange << 7) & mask) | value) >> 7) + inc;
  range = range < 0 ? 0 : (range > 127 ? 127 : range);
  part.bendRange = range;
  if (part.mode != kModeMute) s.forEachVoiceOfPart(channel, [range](Voice& v) { v.bendRangeChanged(range); });
}

// NRPN 0/0: master volume in 0.75 dB steps (127 = unity), MSB only.
void MultiTimberSynthBase::prmMasterVolume(MultiTimberSynthBase& s, int32_t&, int32_t& value, int32_t& mask, int32_t&) {
  if (mask != kMsbMask) return;
  const int32_t data = value >> 7;
  if (data < 0 || data > 127) return;
  s.setMasterVolume(s.volumeTable[data]);
}

void MultiTimberSynthBase::prmPartDefaultMode(MultiTimberSynthBase& s, int32_t& channel, int32_t& value, int32_t& mask,
                                              int32_t&) {
  if (mask == kMsbMask) s.setPartDefaultMode(channel, value >> 7);
}

void MultiTimberSynthBase::prmPartMode(MultiTimberSynthBase& s, int32_t& channel, int32_t& value, int32_t& mask,
                                       int32_t&) {
  if (mask == kMsbMask) s.setPartMode(channel, value >> 7);
}

}  // namespace ovri::korvane::synth

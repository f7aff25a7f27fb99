#include "plugin/KorvaneVSTController.h"

#include "plugin/KorvaneIds.h"
#include "pluginterfaces/vst/ivstmessage.h"

#include <cstdio>
#include <cstring>

namespace Steinberg::Vst {

namespace kp = ovri::korvane::plugin;

namespace {

constexpr int32 kControllerFlags = ParameterInfo::kIsReadOnly | ParameterInfo::kIsHidden;  // 0x12
constexpr int32 kProgramFlags = ParameterInfo::kIsProgramChange | kControllerFlags;       // 0x8012
constexpr int32 kControllerSteps = 128;
constexpr int32 kPitchBendSteps = 16384;
constexpr int32 kProgramSteps = 127;
constexpr int32 kPanController = 10;
constexpr CtrlNumber kLastMappedController = kCtrlProgramChange;  // 130

// ASCII text into a UTF-16 string.
void toString128(const char* text, String128 out) {
  int32 n = 0;
  for (; text[n] != 0 && n < 127; ++n) out[n] = static_cast<char16>(text[n]);
  out[n] = 0;
}

}  // namespace

FUnknown* KorvaneVSTController::createInstance(void*) {
  return static_cast<IEditController*>(new KorvaneVSTController);
}

tresult PLUGIN_API KorvaneVSTController::initialize(FUnknown* context) {
  if (EditControllerEx1::initialize(context) == kResultOk && parameters.getParameterCount() == 0)
    registerParameters();
  return kResultOk;
}

// Order: bypass, the controller unit, controllers (channel outer, number
// inner), the sixteen pitch bends, then per channel its program unit and
// program parameter.
void KorvaneVSTController::registerParameters() {
  const TChar* units = STR16("...");
  String128 title;

  parameters.addParameter(STR16("bypass"), units, 1, 0.0, ParameterInfo::kIsBypass,
                          static_cast<int32>(kp::kBypassParamId), kRootUnitId);

  addUnit(new Unit(STR16("MIDI Contloller"), kp::kControllerUnitId, kRootUnitId, kNoProgramListId));
  for (uint32 channel = 0; channel < kp::kMidiChannelCount; ++channel) {
    for (uint32 number = 0; number < 128; ++number) {
      char text[16];
      std::snprintf(text, sizeof text, "CC : %u", number);
      toString128(text, title);
      const double defaultValue = number == kPanController ? 0.5 : 0.0;
      parameters.addParameter(title, units, kControllerSteps, defaultValue, kControllerFlags,
                              static_cast<int32>(kp::midiParamId(channel, number)), kp::kControllerUnitId);
    }
  }
  for (uint32 channel = 0; channel < kp::kMidiChannelCount; ++channel)
    parameters.addParameter(STR16("Pitchbend"), units, kPitchBendSteps, 0.5, kControllerFlags,
                            static_cast<int32>(kp::midiParamId(channel, kp::kPitchBendNumber)),
                            kp::kControllerUnitId);

  for (uint32 channel = 0; channel < kp::kMidiChannelCount; ++channel) {
    const UnitID unitId = kp::kProgramUnitBase + static_cast<int32>(channel);
    addUnit(new Unit(STR16("program"), unitId, kRootUnitId, unitId));
    const uint32 id = kp::midiParamId(channel, kp::kProgramChangeNumber);
    char text[16];
    std::snprintf(text, sizeof text, "%u", id);
    toString128(text, title);
    parameters.addParameter(title, units, kProgramSteps, 0.0, kProgramFlags, static_cast<int32>(id), unitId);
  }
}

tresult PLUGIN_API KorvaneVSTController::setComponentState(IBStream*) { return kNotImplemented; }
tresult PLUGIN_API KorvaneVSTController::setState(IBStream*) { return kNotImplemented; }
tresult PLUGIN_API KorvaneVSTController::getState(IBStream*) { return kNotImplemented; }

IPlugView* PLUGIN_API KorvaneVSTController::createView(FIDString) { return nullptr; }

// Controllers 0..127, channel pressure (128), pitch bend (129) and program
// change (130) map to the MIDI parameter of the channel; the bus is not
// looked at. Channel pressure has no parameter of its own: its id is
// handed out all the same and the processor ignores it.
tresult PLUGIN_API KorvaneVSTController::getMidiControllerAssignment(int32, int16 channel,
                                                                     CtrlNumber midiControllerNumber, ParamID& id) {
  if (midiControllerNumber < 0 || midiControllerNumber > kLastMappedController) return kResultFalse;
  id = kp::midiParamId(static_cast<uint32>(channel) & 0xF, static_cast<uint32>(midiControllerNumber));
  return kResultTrue;
}

tresult PLUGIN_API KorvaneVSTController::getUnitByBus(MediaType type, BusDirection dir, int32 busIndex,
                                                      int32 channel, UnitID& unitId) {
  if (type != kEvent || dir != kInput || busIndex != 0) return kResultFalse;
  if (channel < 0 || channel >= static_cast<int32>(kp::kMidiChannelCount)) return kResultFalse;
  unitId = kp::kProgramUnitBase + channel;
  return kResultTrue;
}

}  // namespace Steinberg::Vst

namespace Steinberg::Vst {

tresult PLUGIN_API KorvaneVSTController::notify(IMessage* message) {
  if (message == nullptr) return kInvalidArgument;
  const char* id = message->getMessageID();
  if (id != nullptr) {
    for (const char* relayed : {"GUIEditor:kvValueUpdate", "Processor:openGUI", "Processor:uiUpdate", "Processor:setState"})
      if (std::strcmp(id, relayed) == 0) return kResultOk;  // no editor is open
  }
  return EditControllerEx1::notify(message);
}

}  // namespace Steinberg::Vst

#include "plugin/KorvaneVSTController.h"

#include "editor/KorvaneVSTGUIEditor.h"
#include "plugin/EditorProtocol.h"
#include "plugin/KorvaneIds.h"
#include "plugin/StateImage.h"
#include "plugin/StateStream.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "tonegen/SoundData.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace Steinberg::Vst {

namespace kp = ovri::korvane::plugin;

namespace {

constexpr int32 kControllerFlags = ParameterInfo::kIsReadOnly | ParameterInfo::kIsHidden;  // 0x12
// Hosts write program changes: never read-only. A list, so that hosts show
// the program names as its values.
constexpr int32 kProgramFlags =
    ParameterInfo::kIsProgramChange | ParameterInfo::kIsList | ParameterInfo::kIsHidden;  // 0x8018
// Hosts list only automatable parameters as bypass switches.
constexpr int32 kBypassFlags = ParameterInfo::kIsBypass | ParameterInfo::kCanAutomate;        // 0x10001
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

// A program's name from its tone's preset name (16 bytes, not always
// zero-terminated): the bytes up to the first zero, each taken as one
// character (Latin-1), trailing spaces cut. A name left empty (a reset tone
// is named with spaces) is shown as "Tone NNN", since hosts need a name for
// every program.
void programName(const char* name, int32 program, String128 out) {
  int32 n = 0;
  for (; n < ovri::korvane::synth::kPresetNameLength && name[n] != 0; ++n)
    out[n] = static_cast<char16>(static_cast<unsigned char>(name[n]));
  while (n > 0 && out[n - 1] == ' ') --n;
  out[n] = 0;
  if (n > 0) return;
  char text[16];
  std::snprintf(text, sizeof text, "Tone %03d", static_cast<int>(program & 0x7F));
  toString128(text, out);
}

// A channel's program-change parameter: its values are the programs of the
// channel's program list, shown by name.
class ProgramParameter : public Parameter {
public:
  ProgramParameter(const TChar* title, const TChar* units, ParamID id, UnitID unit, ProgramList& programs)
      : Parameter(title, id, units, 0.0, kProgramSteps, kProgramFlags, unit), programs(programs) {}

  void toString(ParamValue normalized, String128 string) const SMTG_OVERRIDE {
    if (programs.getProgramName(static_cast<int32>(toPlain(normalized)), string) != kResultOk) string[0] = 0;
  }
  bool fromString(const TChar* string, ParamValue& normalized) const SMTG_OVERRIDE {
    for (int32 program = 0; program <= kProgramSteps; ++program) {
      String128 name;
      if (programs.getProgramName(program, name) == kResultOk && std::u16string_view(reinterpret_cast<const char16_t*>(name)) ==
                                                                     reinterpret_cast<const char16_t*>(string)) {
        normalized = toNormalized(program);
        return true;
      }
    }
    return false;
  }
  ParamValue toPlain(ParamValue normalized) const SMTG_OVERRIDE {
    return static_cast<int32>(std::clamp(normalized, 0.0, 1.0) * kProgramSteps + 0.5);
  }
  ParamValue toNormalized(ParamValue plain) const SMTG_OVERRIDE {
    return std::clamp(plain, 0.0, static_cast<double>(kProgramSteps)) / kProgramSteps;
  }

private:
  ProgramList& programs;
};

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
// inner), the sixteen pitch bends, the sixteen channel pressures, then per
// channel its program unit, program list and program parameter.
void KorvaneVSTController::registerParameters() {
  const TChar* units = STR16("...");
  String128 title;

  parameters.addParameter(STR16("bypass"), units, 1, 0.0, kBypassFlags,
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
  for (uint32 channel = 0; channel < kp::kMidiChannelCount; ++channel)
    parameters.addParameter(STR16("Channel Pressure"), units, kControllerSteps, 0.0, kControllerFlags,
                            static_cast<int32>(kp::midiParamId(channel, kp::kChannelPressureNumber)),
                            kp::kControllerUnitId);

  // The program lists start with the names of the default tones; the
  // processor's messages bring the names in force.
  const ovri::korvane::synth::TonePreset defaultTone;
  for (uint32 channel = 0; channel < kp::kMidiChannelCount; ++channel) {
    const UnitID unitId = kp::kProgramUnitBase + static_cast<int32>(channel);
    auto* list = new ProgramList(STR16("Tones"), unitId, unitId);
    for (int32 program = 0; program < kp::kProgramCount; ++program) {
      String128 name;
      programName(defaultTone.presetName, program, name);
      list->addProgram(name);
    }
    addProgramList(list);
    addUnit(new Unit(STR16("program"), unitId, kRootUnitId, unitId));
    const uint32 id = kp::midiParamId(channel, kp::kProgramChangeNumber);
    char text[16];
    std::snprintf(text, sizeof text, "%u", id);
    toString128(text, title);
    parameters.addParameter(new ProgramParameter(title, units, id, unitId, *list));
  }
}

// Of the processor's state the controller shows only the switches the
// processor saves after the image: bypass and the sustain pedal.
tresult PLUGIN_API KorvaneVSTController::setComponentState(IBStream* state) {
  if (state == nullptr) return kInvalidArgument;
  std::vector<uint8_t> bytes;
  if (!ovri::korvane::plugin::readStateStream(*state, bytes)) return kResultFalse;
  auto image = std::make_unique<ovri::korvane::plugin::StateImage>();
  ovri::korvane::plugin::parseStateImage(bytes.data(), bytes.size(), *image);
  if (!image->complete) return kResultFalse;
  const auto trailer = ovri::korvane::plugin::readStateTrailer(bytes.data(), bytes.size(), image->bytesRead);
  setParamNormalized(kp::kBypassParamId, trailer.bypass ? 1.0 : 0.0);
  sustainPedalShown = trailer.sustainPedal;
  for (KorvaneVSTGUIEditor* editor : editors)
    editor->updateByTag(ovri::korvane::protocol::tags::kSustainPedal, sustainPedalShown ? 1.0 : 0.0);
  return kResultOk;
}

// Program names from a processor message; the host hears of every list
// whose names changed.
void KorvaneVSTController::takeProgramNames(IMessage* message) {
  IAttributeList* attributes = message->getAttributes();
  const void* data = nullptr;
  uint32 size = 0;
  if (attributes == nullptr || attributes->getBinary(ovri::korvane::protocol::attribute::kProgramNames, data, size) != kResultOk) return;
  constexpr int32 kNameBytes = ovri::korvane::synth::kPresetNameLength;
  if (data == nullptr || size != static_cast<uint32>(kp::kProgramCount * kNameBytes)) return;
  const char* names = static_cast<const char*>(data);
  for (uint32 channel = 0; channel < kp::kMidiChannelCount; ++channel) {
    const ProgramListID listId = kp::kProgramUnitBase + static_cast<int32>(channel);
    bool changed = false;
    for (int32 program = 0; program < kp::kProgramCount; ++program) {
      String128 now, before;
      programName(names + program * kNameBytes, program, now);
      if (getProgramName(listId, program, before) == kResultOk && std::memcmp(now, before, sizeof now) == 0)
        continue;
      auto it = programIndexMap.find(listId);
      if (it == programIndexMap.end()) continue;
      programLists.at(static_cast<size_t>(it->second))->setProgramName(program, now);
      changed = true;
    }
    if (changed) notifyProgramListChange(listId);
  }
}
tresult PLUGIN_API KorvaneVSTController::setState(IBStream*) { return kNotImplemented; }
tresult PLUGIN_API KorvaneVSTController::getState(IBStream*) { return kNotImplemented; }

IPlugView* PLUGIN_API KorvaneVSTController::createView(FIDString name) {
  if (name == nullptr || std::strcmp(name, ViewType::kEditor) != 0) return nullptr;
  editors.push_back(new KorvaneVSTGUIEditor(this));
  return editors.back();
}

void KorvaneVSTController::forgetEditor(EditorView* view) {
  for (auto it = editors.begin(); it != editors.end(); ++it)
    if (static_cast<EditorView*>(*it) == view) {
      editors.erase(it);
      return;
    }
}

void KorvaneVSTController::editorRemoved(EditorView* view) { forgetEditor(view); }

void KorvaneVSTController::editorDestroyed(EditorView* view) { forgetEditor(view); }

// Controllers 0..127, channel pressure (128), pitch bend (129) and program
// change (130) map to the MIDI parameter of the channel; the bus is not
// looked at.
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
    namespace msg = ovri::korvane::protocol::message;
    namespace key = ovri::korvane::protocol::attribute;
    for (const char* named : {msg::kUiUpdate, msg::kSetState, msg::kGetState})
      if (std::strcmp(id, named) == 0) takeProgramNames(message);
    IAttributeList* attributes = message->getAttributes();
    if (std::strcmp(id, msg::kValueUpdate) == 0) {
      int64 tag = 0;
      double value = 0.0;
      const bool valid = attributes != nullptr && attributes->getInt(key::kTag, tag) == kResultOk &&
                         attributes->getFloat(key::kValue, value) == kResultOk;
      if (valid && tag == ovri::korvane::protocol::tags::kSustainPedal) sustainPedalShown = value > 0.5;
      if (valid)
        for (KorvaneVSTGUIEditor* editor : editors) editor->updateByTag(static_cast<int32>(tag), value);
      return kResultOk;
    }
    if (std::strcmp(id, msg::kOpenGui) == 0) {
      const void* data = nullptr;
      uint32 size = 0;
      if (attributes == nullptr || attributes->getBinary(key::kEngineHost, data, size) != kResultOk ||
          data == nullptr || size != sizeof(ovri::korvane::EngineView*))
        return kResultOk;
      ovri::korvane::EngineView* host = nullptr;
      std::memcpy(&host, data, sizeof host);
      for (KorvaneVSTGUIEditor* editor : editors) {
        editor->setEngineHost(host);
        editor->updateByTag(ovri::korvane::protocol::tags::kSustainPedal, sustainPedalShown ? 1.0 : 0.0);
      }
      return kResultOk;
    }
    if (std::strcmp(id, msg::kUiUpdate) == 0 || std::strcmp(id, msg::kSetState) == 0) {
      for (KorvaneVSTGUIEditor* editor : editors) editor->requestFullRefresh();
      return kResultOk;
    }
    if (std::strcmp(id, msg::kFileResult) == 0) {
      int64 tag = 0, outcome = 0, count = 0;
      const void* path = nullptr;
      const void* reason = nullptr;
      uint32 pathSize = 0, reasonSize = 0;
      if (attributes == nullptr || attributes->getInt(key::kTag, tag) != kResultOk) return kResultOk;
      attributes->getInt(key::kOutcome, outcome);
      attributes->getInt(key::kCount, count);
      attributes->getBinary(key::kPath, path, pathSize);
      attributes->getBinary(key::kReason, reason, reasonSize);
      auto text = [](const void* data, uint32 size) {
        return data ? std::string(static_cast<const char*>(data), strnlen(static_cast<const char*>(data), size))
                    : std::string();
      };
      for (KorvaneVSTGUIEditor* editor : editors)
        editor->fileActionAnswered(static_cast<int32>(tag), text(path, pathSize), static_cast<int32>(outcome),
                                   static_cast<int32>(count), text(reason, reasonSize));
      return kResultOk;
    }
  }
  return EditControllerEx1::notify(message);
}

}  // namespace Steinberg::Vst

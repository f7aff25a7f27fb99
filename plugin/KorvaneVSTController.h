#pragma once

#include <vector>

#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace Steinberg::Vst {

class KorvaneVSTGUIEditor;

// The edit controller: publishes the parameters through which the host
// delivers MIDI controllers, channel pressure, pitch bend, program changes
// and bypass, maps the host's MIDI controllers onto them and groups them into
// units, each channel's with a program list naming the 128 instrument tones.
// It keeps no state of its own: the sound data lives in the processor's
// engine, and the bypass switch in the processor's saved state.
class KorvaneVSTController : public EditControllerEx1, public IMidiMapping {
public:
  // bypass + 16 x 128 controllers + 16 bends + 16 channel pressures + 16 programs
  static constexpr int32 kParameterCount = 2097;
  static constexpr int32 kUnitCount = 17;

  KorvaneVSTController() = default;

  static FUnknown* createInstance(void* context);

  tresult PLUGIN_API initialize(FUnknown* context) SMTG_OVERRIDE;
  tresult PLUGIN_API setComponentState(IBStream* state) SMTG_OVERRIDE;
  tresult PLUGIN_API setState(IBStream* state) SMTG_OVERRIDE;
  tresult PLUGIN_API getState(IBStream* state) SMTG_OVERRIDE;
  // "editor": a new editor; every open one hears the processor.
  IPlugView* PLUGIN_API createView(FIDString name) SMTG_OVERRIDE;
  // Relays the processor's messages to every editor.
  tresult PLUGIN_API notify(IMessage* message) SMTG_OVERRIDE;
  void editorRemoved(EditorView* editor) SMTG_OVERRIDE;
  void editorDestroyed(EditorView* editor) SMTG_OVERRIDE;
  KorvaneVSTGUIEditor* currentEditor() const { return editors.empty() ? nullptr : editors.back(); }

  // IMidiMapping
  tresult PLUGIN_API getMidiControllerAssignment(int32 busIndex, int16 channel, CtrlNumber midiControllerNumber,
                                                 ParamID& id) SMTG_OVERRIDE;
  // IUnitInfo
  tresult PLUGIN_API getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                                  UnitID& unitId) SMTG_OVERRIDE;

  OBJ_METHODS(KorvaneVSTController, EditControllerEx1)
  DEFINE_INTERFACES
    DEF_INTERFACE(IMidiMapping)
    DEF_INTERFACE(IUnitInfo)
  END_DEFINE_INTERFACES(EditControllerEx1)
  REFCOUNT_METHODS(EditControllerEx1)

private:
  void registerParameters();
  void takeProgramNames(IMessage* message);
  void forgetEditor(EditorView* view);

  // The editors made, each until it is removed from its window or
  // destroyed (not counted: the host holds them).
  std::vector<KorvaneVSTGUIEditor*> editors;
  // The processor's "Sustain Pedal (CC 64)" switch as the editors show it:
  // from the saved state's trailer and the processor's answers.
  bool sustainPedalShown = false;
};

}  // namespace Steinberg::Vst

#pragma once

// The sound korvane-render plays with: the factory set, state images,
// imports and switches, loaded through the processor's own messages as
// the editor sends them, and the General MIDI part layout.
#include "host/PluginHost.h"
#include "tools/midi/MidiFile.h"
#include "tools/render/RenderOptions.h"

#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::render {

// Messages to the processor, as the editor sends them through its
// controller.
class ProcessorMessages {
public:
  explicit ProcessorMessages(host::PluginInstance& instance) : instance(instance) {}
  bool valid() const { return instance.takesMessages(); }
  void fileSelect(int32_t tag, const std::string& path);
  void valueChange(int32_t tag, double value);

private:
  host::PluginInstance& instance;
};

// The processor's state image (empty if it gives none).
std::vector<uint8_t> processorState(Steinberg::Vst::IComponent* component);
// Every file the sound data options name (the factory set too, unless
// --no-factory) is a regular readable file; false with a message naming
// the first that is not and why.
bool checkSoundFiles(const Options& options);
// Loads the factory set, then loads, imports and switches what the
// options ask for (the files were checked by checkSoundFiles); false
// (with a message) when a file cannot be read after all.
bool prepareSoundData(const Options& options, host::PluginInstance& instance);

// The messages after which a General MIDI song expects the default part
// layout: GM system on, GS reset and XG system on.
bool isLayoutReset(const midi::TimedEvent& e);
// Sets the drum channels to Percussion and, with everyOtherPart, every
// other part to Instrument, through the editor's part controls. A mode
// change stops the part's sounding notes; an unchanged mode is left alone.
void applyLayout(host::PluginInstance& instance, uint16_t drums, bool everyOtherPart);
// Whether the song plays in the General MIDI layout (with the factory set
// or when --drums names the drum channels); if so sets it up: the drum
// channels, each reset message first among those of its sample, and the
// sustain pedal switch. Says what it did on stdout.
bool startGeneralMidiLayout(const Options& options, host::PluginInstance& instance, midi::MidiSong& song);

// The parameter a channel message travels as, through the controller's
// MIDI mapping; false for messages that are no parameter.
bool parameterFor(Steinberg::Vst::IMidiMapping* mapping, const midi::TimedEvent& e, Steinberg::Vst::ParamID& id,
                  Steinberg::Vst::ParamValue& value);

}  // namespace ovri::korvane::render

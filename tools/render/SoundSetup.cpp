#include "tools/render/SoundSetup.h"

#include "plugin/EditorProtocol.h"
#include "tools/render/RenderFiles.h"
#include "tools/samples/FactorySampleSet.h"
#include "tonegen/SoundData.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace ovri::korvane::render {

using namespace Steinberg;
using namespace Steinberg::Vst;
using host::PluginInstance;
using midi::MidiSong;
using midi::TimedEvent;
namespace tags = protocol::tags;

void ProcessorMessages::fileSelect(int32_t tag, const std::string& path) {
  IPtr<HostMessage> message = owned(new HostMessage);
  message->setMessageID(protocol::message::kFileSelect);
  message->getAttributes()->setInt(protocol::attribute::kTag, tag);
  message->getAttributes()->setBinary(protocol::attribute::kPath, path.c_str(), static_cast<uint32>(path.size() + 1));
  instance.notifyProcessor(message);
}

void ProcessorMessages::valueChange(int32_t tag, double value) {
  IPtr<HostMessage> message = owned(new HostMessage);
  message->setMessageID(protocol::message::kValueChange);
  message->getAttributes()->setInt(protocol::attribute::kTag, tag);
  message->getAttributes()->setFloat(protocol::attribute::kValue, value);
  instance.notifyProcessor(message);
}

std::vector<uint8_t> processorState(IComponent* component) {
  MemoryStream stream;
  component->getState(&stream);
  const char* data = stream.getData();
  return std::vector<uint8_t>(data, data + stream.getSize());
}

bool checkSoundFiles(const Options& options) {
  std::string reason;
  if (options.factory) {
    for (const auto& import : ovri::korvane::samples::factoryImports(options.factoryPresets, options.factorySamples)) {
      if (readableFile(import.path, reason)) continue;
      std::fprintf(stderr,
                   "korvane-render: cannot read the factory set's %s: %s (--factory DIR names another, "
                   "--no-factory renders with the plain reset sound)\n",
                   import.path.c_str(), reason.c_str());
      return false;
    }
  }
  std::vector<std::string> files;
  if (!options.state.empty()) files.push_back(options.state);
  for (const FileAction& action : options.actions) files.push_back(action.path);
  for (const std::string& path : files) {
    if (readableFile(path, reason)) continue;
    std::fprintf(stderr, "korvane-render: cannot read %s: %s\n", path.c_str(), reason.c_str());
    return false;
  }
  if (!options.saveState.empty()) {
    const std::string folder = folderOf(options.saveState);
    struct stat info {};
    if (::stat(options.saveState.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      std::fprintf(stderr, "korvane-render: cannot write %s: is a folder\n", options.saveState.c_str());
      return false;
    }
    if (::access(folder.c_str(), W_OK) != 0) {
      std::fprintf(stderr, "korvane-render: cannot write %s: %s\n", options.saveState.c_str(), reasonOf(errno).c_str());
      return false;
    }
  }
  return true;
}

bool prepareSoundData(const Options& options, PluginInstance& instance) {
  IComponent* component = instance.component;
  ProcessorMessages messages(instance);
  if (options.factory && !messages.valid()) {
    std::fprintf(stderr, "korvane-render: the plug-in takes no messages; the factory set is not loaded\n");
  } else if (options.factory) {
    for (const auto& import : ovri::korvane::samples::factoryImports(options.factoryPresets, options.factorySamples))
      messages.fileSelect(import.tag, import.path);
  }
  if (!options.state.empty()) {
    std::vector<uint8_t> image;
    std::string reason;
    if (!readFile(options.state, image, reason)) {
      std::fprintf(stderr, "korvane-render: cannot read %s: %s\n", options.state.c_str(), reason.c_str());
      return false;
    }
    MemoryStream stream(image.data(), static_cast<TSize>(image.size()));
    if (component->setState(&stream) != kResultOk)
      std::fprintf(stderr, "korvane-render: %s: the state image is incomplete; loaded as far as it goes\n",
                   options.state.c_str());
  }
  if (!messages.valid()) {
    if (!options.actions.empty() || options.receiveSysEx || options.nrpn)
      std::fprintf(stderr, "korvane-render: the plug-in takes no messages; sound-data options ignored\n");
    return true;
  }
  for (const FileAction& action : options.actions) messages.fileSelect(action.tag, action.path);
  // The switches are toggles: the state image's header tells what is on.
  if (options.receiveSysEx || options.nrpn) {
    const std::vector<uint8_t> image = processorState(component);
    if (options.receiveSysEx && !(image.size() > 1 && image[1] != 0)) messages.valueChange(tags::kReceiveSysEx, 1.0);
    if (options.nrpn && !(image.size() > 2 && image[2] != 0)) messages.valueChange(tags::kNrpnEnable, 1.0);
  }
  return true;
}

void applyLayout(PluginInstance& instance, uint16_t drums, bool everyOtherPart) {
  ProcessorMessages messages(instance);
  for (int32_t channel = 0; channel < 16; ++channel) {
    const bool drum = (drums >> channel) & 1;
    if (!drum && !everyOtherPart) continue;
    messages.valueChange(tags::kSelectPart, channel / 15.0);
    messages.valueChange(tags::kPartMode, (drum ? synth::kModePercussion : synth::kModeInstrument) / 3.0);
  }
}

namespace {

std::string channelList(uint16_t channels) {
  std::string text;
  for (int32_t channel = 0; channel < 16; ++channel)
    if ((channels >> channel) & 1) text += (text.empty() ? "" : ", ") + std::to_string(channel + 1);
  return text;
}

}  // namespace

bool parameterFor(IMidiMapping* mapping, const TimedEvent& e, ParamID& id, ParamValue& value) {
  if (mapping == nullptr) return false;
  CtrlNumber number = 0;
  switch (e.kind()) {
    case 0xB0:
      number = e.data1;
      value = e.data2 / 127.0;
      break;
    case 0xE0:
      number = kPitchBend;
      value = ((e.data2 << 7) | e.data1) / 16383.0;
      break;
    case 0xC0:
      number = kCtrlProgramChange;
      value = e.data1 / 127.0;
      break;
    case 0xD0:
      number = kAfterTouch;
      value = e.data1 / 127.0;
      break;
    default:
      return false;
  }
  return mapping->getMidiControllerAssignment(0, e.channel(), number, id) == kResultTrue;
}

// GM system on (F0 7E dev 09 01/03 F7), GS reset (F0 41 dev 42 12 40 00 7F
// 00 cs F7) and XG system on (F0 43 1n 4C 00 00 7E 00 F7).
bool isLayoutReset(const TimedEvent& e) {
  const std::vector<uint8_t>& m = e.sysex;
  if (e.status != 0xF0) return false;
  if (m.size() >= 6 && m[1] == 0x7E && m[3] == 0x09 && (m[4] == 0x01 || m[4] == 0x03)) return true;
  if (m.size() >= 10 && m[1] == 0x41 && m[3] == 0x42 && m[4] == 0x12 && m[5] == 0x40 && m[6] == 0x00 && m[7] == 0x7F)
    return true;
  return m.size() >= 8 && m[1] == 0x43 && (m[2] & 0xF0) == 0x10 && m[3] == 0x4C && m[4] == 0x00 && m[5] == 0x00 &&
         m[6] == 0x7E;
}

bool startGeneralMidiLayout(const Options& options, PluginInstance& instance, MidiSong& song) {
  const bool gmLayout =
      !options.noGm && instance.takesMessages() && ((options.factory && options.state.empty()) || options.drumsGiven);
  if (!gmLayout) {
    std::printf("drum channels: none (General MIDI layout off: every part keeps the mode its sound data gives it)\n");
    return false;
  }
  applyLayout(instance, options.drums, false);
  // A reset goes first among the messages of its sample, so that the
  // layout it brings holds for all of them.
  for (size_t i = 1; i < song.events.size(); ++i) {
    if (!isLayoutReset(song.events[i])) continue;
    size_t first = i;
    while (first > 0 && song.events[first - 1].sample == song.events[i].sample && !isLayoutReset(song.events[first - 1]))
      --first;
    std::rotate(song.events.begin() + static_cast<std::ptrdiff_t>(first), song.events.begin() + static_cast<std::ptrdiff_t>(i),
                song.events.begin() + static_cast<std::ptrdiff_t>(i) + 1);
  }
  const auto resets = std::count_if(song.events.begin(), song.events.end(), isLayoutReset);
  std::printf("drum channels: %s (General MIDI layout%s)\n", channelList(options.drums).c_str(),
              resets > 0 ? (", re-applied by " + std::to_string(resets) + " reset message(s) in the file").c_str() : "");
  if (!options.noSustain) ProcessorMessages(instance).valueChange(tags::kSustainPedal, 1.0);
  std::printf("sustain pedal (CC 64): %s\n", options.noSustain ? "off (--no-sustain)" : "on (General MIDI song)");
  return true;
}

}  // namespace ovri::korvane::render

// make-vstpresets: writes the factory presets as VST 3 preset files. Each
// preset is made the way a user would make it: the plug-in is loaded
// through the host library, the factory set is loaded through the
// processor's file actions (the sample WAVs from the folder given, whose
// absolute paths the state keeps), the part modes are set through the
// editor's part controls, and the processor's state becomes the preset's
// component state.
//
//   make-vstpresets --plugin BUNDLE --presets DIR --samples DIR --out DIR
//                   [--sample-path DIR]
//
// With --sample-path the presets name the WAVs in that folder instead of
// --samples: an install writes its presets from the build's WAVs (which may
// sit under a staging DESTDIR) for the folder the WAVs are finally installed
// in. The state is rewritten through the state image's own reader and writer.
#include "host/PluginHost.h"
#include "plugin/EditorProtocol.h"
#include "plugin/StateImage.h"
#include "tools/presets/VstPresetFile.h"
#include "tools/samples/FactorySampleSet.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;

namespace protocol = ovri::korvane::protocol;
namespace synth = ovri::korvane::synth;
constexpr int32 kDrumChannel = 9;

struct PresetDefinition {
  const char* name;
  std::vector<int32> samplerChannels;  // 0-based; channel 10 is always the drum kit
};

// The General MIDI layout, and the sampler parts of the demo song
// (channel 11: choir and flute, channel 12: glockenspiel, pluck and drum
// loops; every sampler part plays the whole key map), and the sampler on
// the first channel for playing it straight from a keyboard.
const PresetDefinition kPresets[] = {
    {"Factory GM set", {}},
    {"Demo Sampler Parts", {10, 11}},
    {"Sampler on Channel 1", {0}},
};

void send(PluginInstance& instance, const char* id, int32 tag, double value, const std::string* path) {
  IPtr<HostMessage> message = owned(new HostMessage);
  message->setMessageID(id);
  message->getAttributes()->setInt("tag", tag);
  if (path != nullptr)
    message->getAttributes()->setBinary("path", path->c_str(), static_cast<uint32>(path->size() + 1));
  else
    message->getAttributes()->setFloat("val", value);
  instance.notifyProcessor(message);
}

// The state with every sample path under `from` moved to `to`. False when
// the image cannot be read back whole.
bool relocateSamples(std::vector<uint8_t>& state, const std::string& from, const std::string& to) {
  using ovri::korvane::plugin::StateImage;
  auto image = std::make_unique<StateImage>();
  ovri::korvane::plugin::parseStateImage(state.data(), state.size(), *image);
  if (!image->complete) return false;
  const auto trailer = ovri::korvane::plugin::readStateTrailer(state.data(), state.size(), image->bytesRead);
  for (auto& slot : image->slots) {
    if (!slot.present) continue;
    const std::filesystem::path relative = std::filesystem::path(slot.path).lexically_normal().lexically_relative(std::filesystem::path(from).lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return false;
    slot.path = (std::filesystem::path(to) / relative).string();
  }
  state = ovri::korvane::plugin::serializeStateImage(*image);
  ovri::korvane::plugin::appendStateTrailer(state, trailer);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string plugin, presetDir, sampleDir, outDir, samplePath;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    (arg == "--plugin"        ? plugin
     : arg == "--presets"     ? presetDir
     : arg == "--samples"     ? sampleDir
     : arg == "--sample-path" ? samplePath
                              : outDir) = argv[i + 1];
  }
  if (plugin.empty() || presetDir.empty() || sampleDir.empty() || outDir.empty()) {
    std::fprintf(stderr,
                 "usage: make-vstpresets --plugin BUNDLE --presets DIR --samples DIR --out DIR [--sample-path DIR]\n");
    return 2;
  }
  sampleDir = std::filesystem::absolute(sampleDir).string();
  std::string error;
  auto module = PluginModule::load(plugin, error);
  TUID cid;
  if (!module || !module->findClass(kVstAudioEffectClass, cid)) {
    std::fprintf(stderr, "make-vstpresets: %s\n", module ? "no processor class" : error.c_str());
    return 1;
  }
  char classId[33] = {};
  FUID(cid).toString(classId);
  std::filesystem::create_directories(outDir);

  for (const PresetDefinition& preset : kPresets) {
    auto instance = PluginInstance::create(*module, error);
    if (!instance || !instance->start({}, error) || !instance->takesMessages()) {
      std::fprintf(stderr, "make-vstpresets: %s\n", error.empty() ? "the plug-in takes no messages" : error.c_str());
      return 1;
    }
    for (const auto& import : ovri::korvane::samples::factoryImports(presetDir, sampleDir)) {
      if (!std::ifstream(import.path)) {
        std::fprintf(stderr, "make-vstpresets: %s is missing\n", import.path.c_str());
        return 1;
      }
      send(*instance, protocol::message::kFileSelect, import.tag, 0.0, &import.path);
    }
    for (int32 channel = 0; channel < 16; ++channel) {
      int32 mode = channel == kDrumChannel ? synth::kModePercussion : synth::kModeInstrument;
      for (int32 s : preset.samplerChannels) mode = s == channel ? synth::kModeSampler : mode;
      // Normalised values: part n = v x 15, mode n = v x 3.
      send(*instance, protocol::message::kValueChange, protocol::tags::kSelectPart, channel / 15.0, nullptr);
      send(*instance, protocol::message::kValueChange, protocol::tags::kPartMode, mode / 3.0, nullptr);
    }
    MemoryStream stream;
    if (instance->component->getState(&stream) != kResultOk) {
      std::fprintf(stderr, "make-vstpresets: the processor gives no state\n");
      return 1;
    }
    std::vector<uint8_t> state(stream.getData(), stream.getData() + stream.getSize());
    if (!samplePath.empty() && !relocateSamples(state, sampleDir, samplePath)) {
      std::fprintf(stderr, "make-vstpresets: the state's sample paths cannot be moved to %s\n", samplePath.c_str());
      return 1;
    }
    const std::vector<uint8_t> bytes = ovri::korvane::presets::writeVstPreset(classId, state);
    const std::string path = outDir + "/" + preset.name + ".vstpreset";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
      std::fprintf(stderr, "make-vstpresets: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}

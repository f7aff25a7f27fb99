// korvane-render: plays a Standard MIDI File through a VST 3 instrument
// loaded as a host loads it, and writes the sound to a WAV file (32-bit
// float): the outputs mixed to stereo, or one stereo file per output.
//
// MIDI reaches the plug-in the way a DAW delivers it: notes and system
// exclusive as events; controllers, pitch bend, program change and channel
// pressure as parameter changes of the parameter the controller's
// IMidiMapping names. A processor reads one value per parameter and block,
// so a block ends early where a parameter would change a second time (a
// block of 0 samples when both changes fall on one sample): every message
// of the file arrives, in file order.
//
// Before the song starts the factory sound set is loaded, through the
// processor's own file actions as the editor would load it: the tone bank,
// the sampler presets, each sample WAV into its slot, then the sample data
// parameters (which are checked against the slots' lengths). A state image
// given with --state loads after it and replaces it; the explicit imports
// follow; --no-factory starts from the plain reset sound.
#include "tools/host/PluginHost.h"
#include "tools/midi/MidiFile.h"
#include "tools/samples/FactorySampleSet.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <sndfile.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#ifndef KORVANE_DEFAULT_PLUGIN_PATH
#define KORVANE_DEFAULT_PLUGIN_PATH "KorvaneVST_FM4.vst3"
#endif
// The factory set: the committed text files and the WAV files the build
// synthesises.
#ifndef KORVANE_FACTORY_PRESET_DIR
#define KORVANE_FACTORY_PRESET_DIR "presets"
#endif
#ifndef KORVANE_FACTORY_SAMPLE_DIR
#define KORVANE_FACTORY_SAMPLE_DIR "presets/samples"
#endif

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::host::ProcessOptions;
using ovri::korvane::midi::MidiSong;
using ovri::korvane::midi::TimedEvent;

// A sound-data action carried out before rendering, through the
// processor's own messages as the editor sends them.
struct FileAction {
  int32 tag;
  std::string path;
};

struct Options {
  std::string input;
  std::string output;
  std::string plugin = KORVANE_DEFAULT_PLUGIN_PATH;
  double rate = 44100.0;
  int32 block = 512;
  double tail = 2.0;
  bool stems = false;
  bool factory = true;
  std::string factoryPresets = KORVANE_FACTORY_PRESET_DIR;
  std::string factorySamples = KORVANE_FACTORY_SAMPLE_DIR;
  std::string state;      // image loaded after the factory set
  std::string saveState;  // image written after rendering
  std::vector<FileAction> actions;
  bool receiveSysEx = false;
  bool nrpn = false;
};

// File action tags of the processor's "GUIEditor:kvFileSelect".
constexpr int32 kImportTones = 0x1100;
constexpr int32 kImportSamplerPresets = 0x1200;
constexpr int32 kImportSampleParameters = 0x1500;
constexpr int32 kImportWav = 0x2100;  // + 0x100 x mode + slot
// Value tags of "GUIEditor:kvValueChange" (toggles).
constexpr int32 kTagReceiveSysEx = 0x0083;
constexpr int32 kTagNrpn = 0x0084;

// "SLOT=FILE.wav[:pcm|dpcm|adpcm]"
bool parseSampleOption(const std::string& text, FileAction& action) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  char* end = nullptr;
  const long slot = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + equals || slot < 0 || slot > 127) return false;
  std::string path = text.substr(equals + 1);
  int32 mode = 0;
  const size_t colon = path.rfind(':');
  if (colon != std::string::npos) {
    const std::string name = path.substr(colon + 1);
    if (name == "pcm" || name == "dpcm" || name == "adpcm") {
      mode = name == "pcm" ? 0 : (name == "dpcm" ? 1 : 2);
      path.resize(colon);
    }
  }
  if (path.empty()) return false;
  action = {kImportWav + 0x100 * mode + static_cast<int32>(slot), path};
  return true;
}

void usage() {
  std::fprintf(stderr,
               "usage: korvane-render [options] input.mid output.wav\n"
               "  --rate HZ        sample rate (default 44100)\n"
               "  --block N        block size in samples (default 512)\n"
               "  --tail SECONDS   time rendered after the song's end (default 2)\n"
               "  --stems          one stereo file per output: output_out01.wav ... output_out16.wav\n"
               "  --plugin PATH    the .vst3 bundle (default %s)\n"
               "sound data, applied before rendering in this order:\n"
               "  (the factory set: tones, sampler presets, samples, sample data parameters\n"
               "   from %s and %s)\n"
               "  --no-factory     start from the reset sound instead of the factory set\n"
               "  --factory DIR    the factory set from DIR and DIR/samples instead\n"
               "  --state FILE     load a saved state image (replaces the factory set)\n"
               "  --tones FILE     import tone presets text (\"@I\" records)\n"
               "  --sampler FILE   import sampler presets text (\"@S\" records)\n"
               "  --sample-params FILE  import sample data parameters text (\"@:\" records)\n"
               "  --sample SLOT=FILE.wav[:pcm|dpcm|adpcm]  import a WAV file into a sample slot\n"
               "  --receive-sysex  switch system-exclusive reception on\n"
               "  --nrpn           switch NRPN reception on\n"
               "  --save-state FILE  write the state image after rendering\n",
               KORVANE_DEFAULT_PLUGIN_PATH, KORVANE_FACTORY_PRESET_DIR, KORVANE_FACTORY_SAMPLE_DIR);
}

bool parseArguments(int argc, char** argv, Options& options) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "korvane-render: %s needs a value\n", name);
        return nullptr;
      }
      return argv[++i];
    };
    if (arg == "--rate") {
      const char* v = value("--rate");
      if (v == nullptr) return false;
      options.rate = std::atof(v);
    } else if (arg == "--block") {
      const char* v = value("--block");
      if (v == nullptr) return false;
      options.block = std::atoi(v);
    } else if (arg == "--tail") {
      const char* v = value("--tail");
      if (v == nullptr) return false;
      options.tail = std::atof(v);
    } else if (arg == "--plugin") {
      const char* v = value("--plugin");
      if (v == nullptr) return false;
      options.plugin = v;
    } else if (arg == "--stems") {
      options.stems = true;
    } else if (arg == "--no-factory") {
      options.factory = false;
    } else if (arg == "--factory") {
      const char* v = value("--factory");
      if (v == nullptr) return false;
      options.factoryPresets = v;
      options.factorySamples = std::string(v) + "/samples";
    } else if (arg == "--state" || arg == "--save-state") {
      const char* v = value(arg.c_str());
      if (v == nullptr) return false;
      (arg == "--state" ? options.state : options.saveState) = v;
    } else if (arg == "--tones" || arg == "--sampler" || arg == "--sample-params") {
      const char* v = value(arg.c_str());
      if (v == nullptr) return false;
      const int32 tag = arg == "--tones" ? kImportTones : (arg == "--sampler" ? kImportSamplerPresets : kImportSampleParameters);
      options.actions.push_back({tag, v});
    } else if (arg == "--sample") {
      const char* v = value("--sample");
      if (v == nullptr) return false;
      FileAction action;
      if (!parseSampleOption(v, action)) {
        std::fprintf(stderr, "korvane-render: --sample takes SLOT=FILE.wav[:pcm|dpcm|adpcm] with SLOT 0..127\n");
        return false;
      }
      options.actions.push_back(action);
    } else if (arg == "--receive-sysex") {
      options.receiveSysEx = true;
    } else if (arg == "--nrpn") {
      options.nrpn = true;
    } else if (arg == "-h" || arg == "--help") {
      return false;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "korvane-render: unknown option %s\n", arg.c_str());
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return false;
  options.input = positional[0];
  options.output = positional[1];
  if (!(options.rate >= 8000.0 && options.rate <= 384000.0)) {
    std::fprintf(stderr, "korvane-render: --rate must lie between 8000 and 384000\n");
    return false;
  }
  if (options.block < 1 || options.block > 65536) {
    std::fprintf(stderr, "korvane-render: --block must lie between 1 and 65536\n");
    return false;
  }
  if (!(options.tail >= 0.0)) options.tail = 0.0;
  return true;
}

bool readable(const std::string& path) { return static_cast<bool>(std::ifstream(path, std::ios::binary)); }

bool readFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

class WavWriter {
public:
  ~WavWriter() {
    if (file != nullptr) sf_close(file);
  }
  bool open(const std::string& path, double rate) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) std::fprintf(stderr, "korvane-render: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return file != nullptr;
  }
  void write(const float* interleaved, int32 frames) { sf_writef_float(file, interleaved, frames); }

private:
  SNDFILE* file = nullptr;
};

std::string stemPath(const std::string& output, int32 bus) {
  std::string base = output;
  const size_t slash = base.find_last_of('/');
  const size_t dot = base.rfind('.');
  std::string extension = ".wav";
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    extension = base.substr(dot);
    base.resize(dot);
  }
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_out%02d", bus + 1);
  return base + suffix + extension;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

// Messages to the processor, as the editor sends them through its
// controller.
class ProcessorMessages {
public:
  explicit ProcessorMessages(PluginInstance& instance) : instance(instance) {}
  bool valid() const { return instance.takesMessages(); }

  void fileSelect(int32 tag, const std::string& path) {
    IPtr<HostMessage> message = owned(new HostMessage);
    message->setMessageID("GUIEditor:kvFileSelect");
    message->getAttributes()->setInt("tag", tag);
    message->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
    instance.notifyProcessor(message);
  }
  void valueChange(int32 tag, double value) {
    IPtr<HostMessage> message = owned(new HostMessage);
    message->setMessageID("GUIEditor:kvValueChange");
    message->getAttributes()->setInt("tag", tag);
    message->getAttributes()->setFloat("val", value);
    instance.notifyProcessor(message);
  }

private:
  PluginInstance& instance;
};

// The processor's state image (empty if it gives none).
std::vector<uint8_t> processorState(IComponent* component) {
  MemoryStream stream;
  component->getState(&stream);
  const char* data = stream.getData();
  return std::vector<uint8_t>(data, data + stream.getSize());
}

// Loads the factory set (a missing file is reported and left out), then
// loads, imports and switches what the options ask for; false (with a
// message) when a file the options name cannot be read.
bool prepareSoundData(const Options& options, PluginInstance& instance) {
  IComponent* component = instance.component;
  ProcessorMessages messages(instance);
  if (options.factory && !messages.valid()) {
    std::fprintf(stderr, "korvane-render: the plug-in takes no messages; the factory set is not loaded\n");
  } else if (options.factory) {
    std::set<std::string> missing;
    for (const auto& import : ovri::korvane::samples::factoryImports(options.factoryPresets, options.factorySamples)) {
      if (!readable(import.path)) {
        if (missing.insert(import.path).second)
          std::fprintf(stderr, "korvane-render: factory file %s is missing; going on without it\n", import.path.c_str());
        continue;
      }
      messages.fileSelect(import.tag, import.path);
    }
  }
  if (!options.state.empty()) {
    std::vector<uint8_t> image;
    if (!readFile(options.state, image)) {
      std::fprintf(stderr, "korvane-render: cannot read %s\n", options.state.c_str());
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
  for (const FileAction& action : options.actions) {
    if (!readable(action.path)) {
      std::fprintf(stderr, "korvane-render: cannot read %s\n", action.path.c_str());
      return false;
    }
    messages.fileSelect(action.tag, action.path);
  }
  // The switches are toggles: the state image's header tells what is on.
  if (options.receiveSysEx || options.nrpn) {
    const std::vector<uint8_t> image = processorState(component);
    if (options.receiveSysEx && !(image.size() > 1 && image[1] != 0)) messages.valueChange(kTagReceiveSysEx, 1.0);
    if (options.nrpn && !(image.size() > 2 && image[2] != 0)) messages.valueChange(kTagNrpn, 1.0);
  }
  return true;
}

// The parameter a channel message travels as, through the controller's
// MIDI mapping; false for messages that are no parameter.
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

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseArguments(argc, argv, options)) {
    usage();
    return 2;
  }

  std::vector<uint8_t> bytes;
  if (!readFile(options.input, bytes)) {
    std::fprintf(stderr, "korvane-render: cannot read %s\n", options.input.c_str());
    return 1;
  }
  MidiSong song;
  std::string error;
  if (!ovri::korvane::midi::readMidiFile(bytes.data(), bytes.size(), options.rate, song, error)) {
    std::fprintf(stderr, "korvane-render: %s: %s\n", options.input.c_str(), error.c_str());
    return 1;
  }

  auto module = PluginModule::load(options.plugin, error);
  if (!module) {
    std::fprintf(stderr, "korvane-render: %s\n", error.c_str());
    return 1;
  }
  auto instance = PluginInstance::create(*module, error);
  ProcessOptions processOptions;
  processOptions.sampleRate = options.rate;
  processOptions.maxBlockSize = options.block;
  processOptions.processMode = kOffline;
  if (!instance || !instance->start(processOptions, error)) {
    std::fprintf(stderr, "korvane-render: %s\n", error.c_str());
    return 1;
  }
  if (instance->midiMapping == nullptr)
    std::fprintf(stderr, "korvane-render: the plug-in maps no MIDI controllers; only notes and system exclusive are sent\n");
  if (!prepareSoundData(options, *instance)) return 1;

  const int32 outputs = instance->outputCount();
  std::vector<WavWriter> writers(options.stems ? static_cast<size_t>(outputs) : 1);
  for (size_t i = 0; i < writers.size(); ++i) {
    const std::string path = options.stems ? stemPath(options.output, static_cast<int32>(i)) : options.output;
    if (!writers[i].open(path, options.rate)) return 1;
  }
  std::vector<float> interleaved(static_cast<size_t>(options.block) * 2);

  const int64_t total = song.endSample + static_cast<int64_t>(options.tail * options.rate + 0.5);
  const auto started = std::chrono::steady_clock::now();
  auto lastReport = started;
  size_t next = 0;
  int64_t position = 0;
  while (position < total) {
    int64_t end = std::min<int64_t>(position + options.block, total);
    instance->clearInput();
    while (next < song.events.size() && song.events[next].sample < end) {
      const TimedEvent& e = song.events[next];
      const int32 offset = static_cast<int32>(e.sample - position);
      ParamID id = 0;
      ParamValue value = 0.0;
      if (parameterFor(instance->midiMapping, e, id, value)) {
        if (instance->changes().contains(id)) {
          end = e.sample;  // this parameter changes again: the block ends here
          break;
        }
        instance->changes().add(id, offset, value);
      } else if (e.kind() == 0x90 && e.data2 > 0) {
        instance->events().addNoteOn(offset, e.channel(), e.data1, e.data2 / 127.0f);
      } else if (e.kind() == 0x90 || e.kind() == 0x80) {
        instance->events().addNoteOff(offset, e.channel(), e.data1, e.data2 / 127.0f);
      } else if (e.status == 0xF0) {
        instance->events().addSysEx(offset, e.sysex.data(), static_cast<uint32_t>(e.sysex.size()));
      }
      ++next;
    }
    const int32 frames = static_cast<int32>(end - position);
    instance->process(frames);

    if (frames > 0) {
      if (options.stems) {
        for (int32 bus = 0; bus < outputs; ++bus) {
          const float* left = instance->output(bus, 0);
          const float* right = instance->output(bus, 1);
          for (int32 i = 0; i < frames; ++i) {
            interleaved[2 * i] = left != nullptr ? left[i] : 0.0f;
            interleaved[2 * i + 1] = right != nullptr ? right[i] : 0.0f;
          }
          writers[static_cast<size_t>(bus)].write(interleaved.data(), frames);
        }
      } else {
        std::fill_n(interleaved.begin(), 2 * frames, 0.0f);
        for (int32 bus = 0; bus < outputs; ++bus) {
          const float* left = instance->output(bus, 0);
          const float* right = instance->output(bus, 1);
          for (int32 i = 0; i < frames; ++i) {
            if (left != nullptr) interleaved[2 * i] += left[i];
            if (right != nullptr) interleaved[2 * i + 1] += right[i];
          }
        }
        writers[0].write(interleaved.data(), frames);
      }
    }
    position = end;

    const auto now = std::chrono::steady_clock::now();
    if (now - lastReport >= std::chrono::seconds(1)) {
      lastReport = now;
      std::fprintf(stderr, "\r%8.1f / %.1f s  (%3d%%)", position / options.rate, total / options.rate,
                   static_cast<int>(100 * position / std::max<int64_t>(total, 1)));
    }
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (lastReport != started) std::fprintf(stderr, "\n");
  const double audio = total / options.rate;
  std::printf("rendered %.2f s of audio in %.3f s: real-time factor %.1f\n", audio, wall,
              wall > 0.0 ? audio / wall : 0.0);
  if (!options.saveState.empty() && !writeFile(options.saveState, processorState(instance->component))) {
    std::fprintf(stderr, "korvane-render: cannot write %s\n", options.saveState.c_str());
    return 1;
  }
  return 0;
}

// korvane-render: plays a Standard MIDI File through a VST 3 instrument
// loaded as a host loads it, and writes the sound to a WAV file (32-bit
// float, or 24-bit integer on request): the outputs mixed to
// stereo, or one stereo file per output. It reports the peak and the
// samples at or above full scale of every file it writes, warns when a file
// clips, and can apply a gain or normalise the peak to -1 dBFS. A MIDI file
// that cannot be read as a whole is refused before anything is written.
//
// MIDI reaches the plug-in the way a DAW delivers it: notes and system
// exclusive as events; controllers, pitch bend, program change and channel
// pressure as parameter changes of the parameter the controller's
// IMidiMapping names. A processor reads one value per parameter and block,
// so a block ends early where a parameter would change a second time; when
// both changes fall on one sample, the block ends one sample later and the
// second change and everything after it arrive at the start of the next
// block. Every block has at least one sample, and every message of the
// file arrives, in file order.
//
// General MIDI layout: with the factory set (the default) the drum
// channels (10, or those --drums names) start in Percussion mode, set
// through the editor's value tags as a user would set them; a GM system
// on, GS reset or XG system on in the file sets every part back to
// Instrument and the drum channels to Percussion again, at the sample where
// the message stands (before the other messages of that sample).
//
// Before the song starts the factory sound set is loaded, through the
// processor's own file actions as the editor would load it: the tone bank,
// the sampler presets, each sample WAV into its slot, then the sample data
// parameters (which are checked against the slots' lengths). A state image
// given with --state loads after it and replaces it; the explicit imports
// follow; --no-factory starts from the plain reset sound.
#include "tools/datapaths/DataPaths.h"
#include "tools/host/PluginHost.h"
#include "tools/midi/MidiFile.h"
#include "tools/render/OutputFile.h"
#include "tools/samples/FactorySampleSet.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

// The plug-in and the factory set (the text files and the sample WAVs):
// found beside the installed program, in the build tree or in a user
// install (tools/datapaths).
#define KORVANE_DEFAULT_PLUGIN_PATH (ovri::korvane::datapaths::found().plugin.c_str())
#define KORVANE_FACTORY_PRESET_DIR (ovri::korvane::datapaths::found().factoryTexts.c_str())
#define KORVANE_FACTORY_SAMPLE_DIR (ovri::korvane::datapaths::found().factorySamples.c_str())

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::host::ProcessOptions;
using ovri::korvane::midi::MidiSong;
using ovri::korvane::midi::TimedEvent;
using ovri::korvane::render::Level;
using ovri::korvane::render::OutputFile;
using ovri::korvane::render::SampleFormat;
using ovri::korvane::render::toDecibels;

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
  double length = 0.0;  // seconds rendered at most; 0 = the whole song
  bool stems = false;
  bool factory = true;
  std::string factoryPresets = KORVANE_FACTORY_PRESET_DIR;
  std::string factorySamples = KORVANE_FACTORY_SAMPLE_DIR;
  std::string state;      // image loaded after the factory set
  std::string saveState;  // image written after rendering
  std::vector<FileAction> actions;
  bool receiveSysEx = false;
  bool nrpn = false;
  double gainDb = 0.0;
  bool normalize = false;
  SampleFormat format = SampleFormat::Float32;
  double maxHours = ovri::korvane::midi::kDefaultMaxSongSeconds / 3600.0;
  bool noGm = false;
  bool partOutputs = false;
  uint16_t drums = 1u << 9;  // bit n: MIDI channel n + 1 is a drum channel
  bool drumsGiven = false;
};

// Peak level --normalize scales to.
constexpr double kNormalizePeakDb = -1.0;

// File action tags of the processor's "GUIEditor:kvFileSelect".
constexpr int32 kImportTones = 0x1100;
constexpr int32 kImportSamplerPresets = 0x1200;
constexpr int32 kImportSampleParameters = 0x1500;
constexpr int32 kImportWav = 0x2100;  // + 0x100 x mode + slot
// Value tags of "GUIEditor:kvValueChange" (toggles).
constexpr int32 kTagReceiveSysEx = 0x0083;
constexpr int32 kTagNrpn = 0x0084;
constexpr int32 kTagSelectPart = 0x0101;  // part n = v x 15
constexpr int32 kTagPartMode = 0x0102;    // mode n = v x 3
constexpr int32 kTagPartOutput = 0x0190;  // output n = v x 15
constexpr int32 kModeInstrument = 1;
constexpr int32 kModePercussion = 2;

// "CH[,CH...]" with channels 1..16 into a bit set.
bool parseChannels(const std::string& text, uint16_t& channels) {
  channels = 0;
  size_t from = 0;
  while (from <= text.size()) {
    const size_t comma = std::min(text.find(',', from), text.size());
    const std::string item = text.substr(from, comma - from);
    char* end = nullptr;
    const long channel = std::strtol(item.c_str(), &end, 10);
    if (item.empty() || *end != '\0' || channel < 1 || channel > 16) return false;
    channels |= static_cast<uint16_t>(1u << (channel - 1));
    from = comma + 1;
  }
  return channels != 0;
}

// A number option's value: the whole text must be a finite number.
bool parseNumber(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && *end == '\0' && std::isfinite(value);
}

// The messages after which a General MIDI song expects the default part
// layout: GM system on (F0 7E dev 09 01/03 F7), GS reset (F0 41 dev 42 12
// 40 00 7F 00 cs F7) and XG system on (F0 43 1n 4C 00 00 7E 00 F7).
bool isLayoutReset(const TimedEvent& e) {
  const std::vector<uint8_t>& m = e.sysex;
  if (e.status != 0xF0) return false;
  if (m.size() >= 6 && m[1] == 0x7E && m[3] == 0x09 && (m[4] == 0x01 || m[4] == 0x03)) return true;
  if (m.size() >= 10 && m[1] == 0x41 && m[3] == 0x42 && m[4] == 0x12 && m[5] == 0x40 && m[6] == 0x00 && m[7] == 0x7F)
    return true;
  return m.size() >= 8 && m[1] == 0x43 && (m[2] & 0xF0) == 0x10 && m[3] == 0x4C && m[4] == 0x00 && m[5] == 0x00 &&
         m[6] == 0x7E;
}

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
               "  --length SECONDS render only the song's first SECONDS\n"
               "  --stems          one stereo file per output: output_out01.wav ... output_out16.wav\n"
               "  --part-outputs   part n (MIDI channel n) plays into output n, so that stems are channels\n"
               "  --pcm24          24-bit integer samples instead of 32-bit float\n"
               "  --gain DB        gain applied to the output\n"
               "  --normalize      scale the output so that its peak is at -1 dBFS (all stems alike)\n"
               "  --max-hours H    refuse songs longer than H hours (default 24)\n"
               "General MIDI layout (on with the factory set):\n"
               "  --drums CH[,CH]  MIDI channels 1..16 played in Percussion mode (default 10)\n"
               "  --no-gm          leave every part in the mode the sound data gives it\n"
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
    } else if (arg == "--pcm24") {
      options.format = SampleFormat::Pcm24;
    } else if (arg == "--normalize") {
      options.normalize = true;
    } else if (arg == "--part-outputs") {
      options.partOutputs = true;
    } else if (arg == "--no-gm") {
      options.noGm = true;
    } else if (arg == "--length") {
      const char* v = value("--length");
      if (v == nullptr) return false;
      if (!parseNumber(v, options.length) || !(options.length > 0.0)) {
        std::fprintf(stderr, "korvane-render: --length takes a number of seconds above 0, not \"%s\"\n", v);
        return false;
      }
    } else if (arg == "--gain" || arg == "--max-hours") {
      const char* v = value(arg.c_str());
      if (v == nullptr) return false;
      double number = 0.0;
      if (!parseNumber(v, number) || (arg == "--max-hours" && !(number > 0.0))) {
        std::fprintf(stderr, "korvane-render: %s takes a number%s, not \"%s\"\n", arg.c_str(),
                     arg == "--max-hours" ? " above 0" : "", v);
        return false;
      }
      (arg == "--gain" ? options.gainDb : options.maxHours) = number;
    } else if (arg == "--drums") {
      const char* v = value("--drums");
      if (v == nullptr) return false;
      if (!parseChannels(v, options.drums)) {
        std::fprintf(stderr, "korvane-render: --drums takes MIDI channels 1..16 separated by commas, not \"%s\"\n", v);
        return false;
      }
      options.drumsGiven = true;
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
  if (options.normalize && options.gainDb != 0.0) {
    std::fprintf(stderr, "korvane-render: --gain and --normalize exclude each other\n");
    return false;
  }
  return true;
}

bool readable(const std::string& path) { return static_cast<bool>(std::ifstream(path, std::ios::binary)); }

bool readFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

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

// Sets the drum channels to Percussion and, with everyOtherPart, every
// other part to Instrument, through the editor's part controls. A mode
// change stops the part's sounding notes; an unchanged mode is left alone.
void applyLayout(PluginInstance& instance, uint16_t drums, bool everyOtherPart) {
  ProcessorMessages messages(instance);
  for (int32 channel = 0; channel < 16; ++channel) {
    const bool drum = (drums >> channel) & 1;
    if (!drum && !everyOtherPart) continue;
    messages.valueChange(kTagSelectPart, channel / 15.0);
    messages.valueChange(kTagPartMode, (drum ? kModePercussion : kModeInstrument) / 3.0);
  }
}

std::string channelList(uint16_t channels) {
  std::string text;
  for (int32 channel = 0; channel < 16; ++channel)
    if ((channels >> channel) & 1) text += (text.empty() ? "" : ", ") + std::to_string(channel + 1);
  return text;
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
  if (!ovri::korvane::midi::readMidiFile(bytes.data(), bytes.size(), options.rate, song, error,
                                         options.maxHours * 3600.0)) {
    const bool tooLong = error.find("longer than the limit") != std::string::npos;
    std::fprintf(stderr, "korvane-render: %s: %s%s\n", options.input.c_str(), error.c_str(),
                 tooLong ? " (--max-hours raises the limit)" : "");
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

  // The General MIDI layout: on with the factory set, or when --drums
  // names the drum channels.
  const bool gmLayout = !options.noGm && instance->takesMessages() &&
                        ((options.factory && options.state.empty()) || options.drumsGiven);
  if (gmLayout) {
    applyLayout(*instance, options.drums, false);
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
  } else {
    std::printf("drum channels: none (General MIDI layout off: every part keeps the mode its sound data gives it)\n");
  }

  if (options.partOutputs) {
    ProcessorMessages messages(*instance);
    for (int32 channel = 0; channel < 16; ++channel) {
      messages.valueChange(kTagSelectPart, channel / 15.0);
      messages.valueChange(kTagPartOutput, channel / 15.0);
    }
  }

  const int32 outputs = instance->outputCount();
  std::vector<OutputFile> files(options.stems ? static_cast<size_t>(outputs) : 1);
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string path = options.stems ? stemPath(options.output, static_cast<int32>(i)) : options.output;
    if (!files[i].open(path, options.rate, error)) {
      std::fprintf(stderr, "korvane-render: %s\n", error.c_str());
      return 1;
    }
  }
  std::vector<float> interleaved(static_cast<size_t>(options.block) * 2);

  int64_t total = song.endSample + static_cast<int64_t>(options.tail * options.rate + 0.5);
  if (options.length > 0.0) total = std::min(total, static_cast<int64_t>(options.length * options.rate + 0.5));
  const auto started = std::chrono::steady_clock::now();
  auto lastReport = started;
  size_t next = 0;
  int64_t position = 0;
  bool writeFailed = false;
  while (position < total) {
    int64_t end = std::min<int64_t>(position + options.block, total);
    instance->clearInput();
    int32 queued = 0;
    // Messages held back from an earlier sample (behind a parameter that
    // changed twice) go at offset 0. Where a message must wait for the
    // next block and the block would be empty, it gets one sample.
    while (next < song.events.size() && song.events[next].sample < end) {
      const TimedEvent& e = song.events[next];
      const int32 offset = static_cast<int32>(std::max<int64_t>(0, e.sample - position));
      if (gmLayout && isLayoutReset(e)) {
        if (offset > 0 || queued > 0) {  // the layout changes between blocks
          end = offset > 0 ? e.sample : position + 1;
          break;
        }
        applyLayout(*instance, options.drums, true);
      }
      ParamID id = 0;
      ParamValue value = 0.0;
      if (parameterFor(instance->midiMapping, e, id, value)) {
        if (instance->changes().contains(id)) {
          end = offset > 0 ? e.sample : position + 1;
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
      ++queued;
      ++next;
    }
    const int32 frames = static_cast<int32>(end - position);
    instance->process(frames);

    if (options.stems) {
      for (int32 bus = 0; bus < outputs; ++bus) {
        const float* left = instance->output(bus, 0);
        const float* right = instance->output(bus, 1);
        for (int32 i = 0; i < frames; ++i) {
          interleaved[2 * i] = left != nullptr ? left[i] : 0.0f;
          interleaved[2 * i + 1] = right != nullptr ? right[i] : 0.0f;
        }
        writeFailed |= !files[static_cast<size_t>(bus)].write(interleaved.data(), frames);
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
      writeFailed |= !files[0].write(interleaved.data(), frames);
    }
    if (writeFailed) {
      std::fprintf(stderr, "\nkorvane-render: cannot write %s.partial (disk full?)\n", options.output.c_str());
      return 1;
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

  // One gain for every file, so that stems still add up to the mix.
  double gain = std::pow(10.0, options.gainDb / 20.0);
  if (options.normalize) {
    double peak = 0.0;
    for (const OutputFile& file : files) peak = std::max(peak, file.rawPeak());
    gain = peak > 0.0 ? std::pow(10.0, kNormalizePeakDb / 20.0) / peak : 1.0;
    std::printf("normalized: gain %+.2f dB\n", toDecibels(gain));
  }
  for (OutputFile& file : files) {
    Level level;
    if (!file.finish(options.format, gain, level, error)) {
      std::fprintf(stderr, "korvane-render: %s\n", error.c_str());
      return 1;
    }
    if (options.stems && level.peak == 0.0) continue;  // silent stems are not worth a line
    std::printf("%s: peak %.2f dBFS, %lld samples at or above full scale\n", file.path().c_str(),
                toDecibels(level.peak), static_cast<long long>(level.clipped));
    if (level.clipped > 0)
      std::fprintf(stderr,
                   "korvane-render: warning: %s CLIPS: %lld of %lld samples at or above full scale, peak %+.2f dBFS; "
                   "lower the level with --gain %.1f or --normalize\n",
                   file.path().c_str(), static_cast<long long>(level.clipped), static_cast<long long>(level.samples),
                   toDecibels(level.peak), options.gainDb - std::ceil(toDecibels(level.peak) + 1.0));
  }
  return 0;
}

// korvane-render: plays Standard MIDI Files through a VST 3 instrument
// loaded as a host loads it, and writes the sound to WAV (32-bit float, or
// 24-bit integer on request; RF64 past 4 GB), FLAC or Ogg Vorbis, chosen by
// the output's extension: the outputs mixed to stereo, or one stereo file
// per output that carries sound. Several songs render into one folder
// (-o DIR), several at a time (-j N), each in a process of its own.
//
// It never destroys a file and refuses what it cannot do before it starts
// (exit 1, nothing written, the message naming the user's path and the
// reason): an output that is the input (or a link to it), an input that is
// no regular readable file, a MIDI file that cannot be read as a whole, an
// output folder it cannot write into (tried by creating the partial
// file), a render longer than --max-hours (tail included) or larger than
// the disk's free space, a missing factory set, an unknown extension. The
// render goes into partial files beside the outputs; an existing output
// is replaced only by a finished file, and SIGINT or SIGTERM remove the
// partial files and exit with 130 or 143.
//
// Level: by default the render is normalised to -16 LUFS integrated
// (EBU R 128, the mix measured) with the true peak of every file written
// at most -1 dBTP, one gain for all stems; --gain DB or --no-normalize
// give the plug-in's own level, sample for sample what a DAW renders.
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
// the message stands (before the other messages of that sample). A
// General MIDI song also gets the plug-in's "Sustain Pedal (CC 64)" switch
// on (--no-sustain leaves it off).
//
// Before the song starts the factory sound set is loaded, through the
// processor's own file actions as the editor would load it: the tone bank,
// the sampler presets, each sample WAV into its slot, then the sample data
// parameters (which are checked against the slots' lengths). A state image
// given with --state loads after it and replaces it; the explicit imports
// follow; --no-factory starts from the plain reset sound.
#include "host/PluginHost.h"
#include "plugin/EditorProtocol.h"
#include "tools/datapaths/DataPaths.h"
#include "tools/midi/MidiFile.h"
#include "tools/render/Cleanup.h"
#include "tools/render/Loudness.h"
#include "tools/render/OutputFile.h"
#include "tools/samples/FactorySampleSet.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// The plug-in and the factory set (the text files and the sample WAVs) by
// default: found beside the installed program, in the build tree or in a
// user install (tools/datapaths).
const ovri::korvane::datapaths::DataPaths& defaults() { return ovri::korvane::datapaths::found(); }

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::host::ProcessOptions;
using ovri::korvane::midi::MidiSong;
using ovri::korvane::midi::TimedEvent;
using ovri::korvane::render::Level;
using ovri::korvane::render::LoudnessMeter;
using ovri::korvane::render::OutputFile;
using ovri::korvane::render::OutputKind;
using ovri::korvane::render::reasonOf;
using ovri::korvane::render::toDecibels;
namespace tags = ovri::korvane::protocol::tags;
namespace fileactions = ovri::korvane::protocol::fileactions;
namespace protocol = ovri::korvane::protocol;
namespace sampleimport = ovri::korvane::sampleimport;
namespace synth = ovri::korvane::synth;

// A sound-data action carried out before rendering, through the
// processor's own messages as the editor sends them.
struct FileAction {
  int32 tag;
  std::string path;
};

// How the level of the render is set.
enum class LevelMode {
  Loudness,  // the default: -16 LUFS integrated, true peak at most -1 dBTP
  Peak,      // --normalize: the sample peak to -1 dBFS
  Gain,      // --gain DB: the plug-in's level raised or lowered
  Raw,       // --no-normalize: the plug-in's level
};

struct Options {
  std::string input;
  std::string output;
  std::vector<std::string> inputs;  // with -o DIR
  std::string outputFolder;         // -o DIR
  std::string outputExtension = "wav";  // of the files -o DIR receives (--format)
  int32 jobs = 0;                   // -j N; 0 = the core count
  bool progress = true;
  std::string plugin = defaults().plugin;
  double rate = 44100.0;
  int32 block = 512;
  double tail = 2.0;
  double length = 0.0;  // seconds rendered at most; 0 = the whole song
  bool stems = false;
  bool allStems = false;
  bool factory = true;
  std::string factoryPresets = defaults().factoryTexts;
  std::string factorySamples = defaults().factorySamples;
  std::string state;      // image loaded after the factory set
  std::string saveState;  // image written after rendering
  std::vector<FileAction> actions;
  bool receiveSysEx = false;
  bool nrpn = false;
  double gainDb = 0.0;
  LevelMode level = LevelMode::Loudness;
  bool pcm24 = false;
  OutputKind kind = OutputKind::WavFloat;
  double maxHours = ovri::korvane::midi::kDefaultMaxSongSeconds / 3600.0;
  bool noGm = false;
  bool noSustain = false;
  bool partOutputs = false;
  uint16_t drums = 1u << 9;  // bit n: MIDI channel n + 1 is a drum channel
  bool drumsGiven = false;
  std::vector<std::string> songArguments;  // the options of one song, for the batch's child processes
};

// Peak level --normalize scales to.
constexpr double kNormalizePeakDb = -1.0;
// The longest --tail.
constexpr double kMaxTailSeconds = 60.0;

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;  // refused before rendering, or the render failed
constexpr int kExitUsage = 2;


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
  sampleimport::ImportMode mode = sampleimport::ImportMode::Pcm;
  const size_t colon = path.rfind(':');
  if (colon != std::string::npos) {
    const std::string name = path.substr(colon + 1);
    if (name == "pcm" || name == "dpcm" || name == "adpcm") {
      mode = name == "pcm" ? sampleimport::ImportMode::Pcm
                           : (name == "dpcm" ? sampleimport::ImportMode::Dpcm : sampleimport::ImportMode::Adpcm);
      path.resize(colon);
    }
  }
  if (path.empty()) return false;
  action = {fileactions::importWavTag(mode, static_cast<int32>(slot)), path};
  return true;
}

void usage(std::FILE* to) {
  std::fprintf(to,
               "usage: korvane-render [options] input.mid output.wav|.flac|.ogg\n"
               "       korvane-render [options] -o DIR song.mid...\n"
               "Plays Standard MIDI Files through the instrument and writes the sound.\n"
               "output:\n"
               "  the format follows the output's extension: %s\n"
               "    .wav  32-bit float (--pcm24: 24-bit integer); RF64 when it passes 4 GB\n"
               "    .flac 24-bit FLAC    .ogg  Ogg Vorbis\n"
               "  -o DIR           render every song given into DIR as SONG.wav (or --format EXT)\n"
               "  --format EXT     the extension of the files -o DIR receives (default wav)\n"
               "  -j N             render N songs at a time (default: the number of cores)\n"
               "  --stems          one stereo file per output that carries sound: output_out01.wav ...\n"
               "  --all-stems      with --stems: all 16 files, silent ones too\n"
               "  --part-outputs   part n (MIDI channel n) plays into output n, so that stems are channels\n"
               "  --pcm24          24-bit integer samples in a .wav instead of 32-bit float\n"
               "  --no-progress    no progress line (it is shown only on a terminal anyway)\n"
               "level (EBU R 128):\n"
               "  by default the render is normalised: the mix to -16 LUFS integrated loudness,\n"
               "  lowered where needed so that no file written passes -1 dBTP true peak; every\n"
               "  stem gets the same gain. The report gives the loudness, loudness range, true\n"
               "  peak and the gain applied. No normalised file holds a sample at full scale.\n"
               "  --no-normalize   the plug-in's own level: sample for sample a DAW's render\n"
               "  --gain DB        the plug-in's own level with DB added (may clip; warned)\n"
               "  --normalize      the sample peak to -1 dBFS instead of the loudness\n"
               "timing:\n"
               "  --rate HZ        sample rate, 8000..384000 (default 44100)\n"
               "  --block N        block size in samples, 1..65536 (default 512)\n"
               "  --tail SECONDS   time rendered after the song's end, 0..60 (default 2)\n"
               "  --length SECONDS render only the song's first SECONDS\n"
               "  --max-hours H    refuse renders (song and tail) longer than H hours (default 24)\n"
               "General MIDI (on with the factory set):\n"
               "  --drums CH[,CH]  MIDI channels 1..16 played in Percussion mode (default 10)\n"
               "  --no-gm          leave every part in the mode the sound data gives it\n"
               "  --no-sustain     leave the plug-in's \"Sustain Pedal (CC 64)\" switch off: without it a\n"
               "                   General MIDI song's note-offs under the pedal are held until pedal-up\n"
               "  --plugin PATH    the .vst3 bundle (default %s)\n"
               "sound data, applied before rendering in this order:\n"
               "  (the factory set: tones, sampler presets, samples, sample data parameters\n"
               "   from %s and %s; a missing file of it is an error)\n"
               "  --no-factory     start from the reset sound instead of the factory set\n"
               "  --factory DIR    the factory set from DIR and DIR/samples instead\n"
               "  --state FILE     load a saved state image (replaces the factory set)\n"
               "  --tones FILE     import tone presets text (\"@I\" records)\n"
               "  --sampler FILE   import sampler presets text (\"@S\" records)\n"
               "  --sample-params FILE  import sample data parameters text (\"@:\" records)\n"
               "  --sample SLOT=FILE.wav[:pcm|dpcm|adpcm]  import a WAV file into a sample slot\n"
               "  --receive-sysex  switch system-exclusive reception on\n"
               "  --nrpn           switch NRPN reception on\n"
               "  --save-state FILE  write the state image after rendering\n"
               "refused before anything is written (exit 1): an output that is the input or a link\n"
               "to it, an input that is no readable regular file or no complete MIDI file, an\n"
               "output folder that is missing or not writable, an unknown output extension, a\n"
               "render longer than --max-hours or larger than the free disk space, a missing\n"
               "factory set (unless --no-factory). The render is written beside each output as\n"
               "OUTPUT.partial; an existing output is replaced only once the new one is complete.\n"
               "exit codes:\n"
               "  0    every file written\n"
               "  1    refused before rendering, or the render failed (nothing left behind)\n"
               "  2    wrong options\n"
               "  130  interrupted by SIGINT (Ctrl-C), 143 by SIGTERM: the partial files are removed\n",
               ovri::korvane::render::outputExtensions().c_str(), defaults().plugin.c_str(),
               defaults().factoryTexts.c_str(), defaults().factorySamples.c_str());
}

// False (with a message, or none for --help) when the options are wrong;
// help is set for --help.
bool parseArguments(int argc, char** argv, Options& options, bool& help) {
  help = false;
  std::vector<std::string> positional;
  bool gainGiven = false;
  bool normalizeGiven = false;
  bool rawGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const int first = i;
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "korvane-render: %s needs a value\n", name);
        return nullptr;
      }
      return argv[++i];
    };
    bool songOption = true;  // passed on to the batch's child processes
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
      if (!parseNumber(v, options.tail) || options.tail < 0.0 || options.tail > kMaxTailSeconds) {
        std::fprintf(stderr, "korvane-render: --tail takes 0 to %.0f seconds, not \"%s\"\n", kMaxTailSeconds, v);
        return false;
      }
    } else if (arg == "--plugin") {
      const char* v = value("--plugin");
      if (v == nullptr) return false;
      options.plugin = v;
    } else if (arg == "-o") {
      const char* v = value("-o");
      if (v == nullptr) return false;
      options.outputFolder = v;
      songOption = false;
    } else if (arg == "--format") {
      const char* v = value("--format");
      if (v == nullptr) return false;
      options.outputExtension = v;
      if (!options.outputExtension.empty() && options.outputExtension[0] == '.') options.outputExtension.erase(0, 1);
      songOption = false;
    } else if (arg == "-j") {
      const char* v = value("-j");
      if (v == nullptr) return false;
      double jobs = 0.0;
      if (!parseNumber(v, jobs) || jobs < 1.0 || jobs > 256.0 || jobs != std::floor(jobs)) {
        std::fprintf(stderr, "korvane-render: -j takes a number of songs from 1 to 256, not \"%s\"\n", v);
        return false;
      }
      options.jobs = static_cast<int32>(jobs);
      songOption = false;
    } else if (arg == "--no-progress") {
      options.progress = false;
    } else if (arg == "--stems") {
      options.stems = true;
    } else if (arg == "--all-stems") {
      options.allStems = true;
    } else if (arg == "--pcm24") {
      options.pcm24 = true;
    } else if (arg == "--normalize") {
      normalizeGiven = true;
    } else if (arg == "--no-normalize") {
      rawGiven = true;
    } else if (arg == "--part-outputs") {
      options.partOutputs = true;
    } else if (arg == "--no-gm") {
      options.noGm = true;
    } else if (arg == "--no-sustain") {
      options.noSustain = true;
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
      if (arg == "--gain") gainGiven = true;
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
      const int32 tag = arg == "--tones" ? fileactions::kImportTones : (arg == "--sampler" ? fileactions::kImportSamplerPresets : fileactions::kImportSampleParameters);
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
      help = true;
      return false;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "korvane-render: unknown option %s\n", arg.c_str());
      return false;
    } else {
      positional.push_back(arg);
      songOption = false;
    }
    if (songOption)
      for (int k = first; k <= i; ++k) options.songArguments.push_back(argv[k]);
  }
  if (options.outputFolder.empty()) {
    if (positional.size() != 2) {
      std::fprintf(stderr, "korvane-render: give an input and an output file, or -o DIR and the songs\n");
      return false;
    }
    options.input = positional[0];
    options.output = positional[1];
  } else {
    if (positional.empty()) {
      std::fprintf(stderr, "korvane-render: -o DIR needs at least one song\n");
      return false;
    }
    options.inputs = positional;
  }
  if (!(options.rate >= 8000.0 && options.rate <= 384000.0)) {
    std::fprintf(stderr, "korvane-render: --rate must lie between 8000 and 384000\n");
    return false;
  }
  if (options.block < 1 || options.block > 65536) {
    std::fprintf(stderr, "korvane-render: --block must lie between 1 and 65536\n");
    return false;
  }
  if (normalizeGiven && (gainGiven || rawGiven)) {
    std::fprintf(stderr, "korvane-render: --normalize excludes --gain and --no-normalize\n");
    return false;
  }
  options.level = normalizeGiven ? LevelMode::Peak : gainGiven ? LevelMode::Gain : rawGiven ? LevelMode::Raw
                                                                                             : LevelMode::Loudness;
  if (options.allStems && !options.stems) {
    std::fprintf(stderr, "korvane-render: --all-stems goes with --stems\n");
    return false;
  }
  return true;
}

// Whether path is a regular file this process can read; reason says why
// not ("No such file or directory", "is a folder, not a file", ...).
bool readableFile(const std::string& path, std::string& reason) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    reason = reasonOf(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    reason = "is a folder, not a file";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    reason = "is not a regular file";
    return false;
  }
  if (::access(path.c_str(), R_OK) != 0) {
    reason = reasonOf(errno);
    return false;
  }
  return true;
}

// Reads a regular file whole; reason says why it could not.
bool readFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& reason) {
  if (!readableFile(path, reason)) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    reason = reasonOf(errno);
    return false;
  }
  bytes.clear();
  uint8_t chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  const bool ok = std::ferror(file) == 0;
  if (!ok) reason = reasonOf(errno != 0 ? errno : EIO);
  std::fclose(file);
  return ok;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& reason) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    reason = reasonOf(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (!ok) reason = reasonOf(errno != 0 ? errno : EIO);
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    reason = reasonOf(errno);
  }
  return ok;
}

// Whether a and b name one file (the same path, a hard or symbolic link).
bool sameFile(const std::string& a, const std::string& b) {
  struct stat x {};
  struct stat y {};
  return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Bytes the folder's file system has free for this user (-1 if unknown).
int64_t freeBytes(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return -1;
  return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

std::string gigabytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f GB", bytes / 1e9);
  return text;
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

// Messages to the processor, as the editor sends them through its
// controller.
class ProcessorMessages {
public:
  explicit ProcessorMessages(PluginInstance& instance) : instance(instance) {}
  bool valid() const { return instance.takesMessages(); }

  void fileSelect(int32 tag, const std::string& path) {
    IPtr<HostMessage> message = owned(new HostMessage);
    message->setMessageID(protocol::message::kFileSelect);
    message->getAttributes()->setInt("tag", tag);
    message->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
    instance.notifyProcessor(message);
  }
  void valueChange(int32 tag, double value) {
    IPtr<HostMessage> message = owned(new HostMessage);
    message->setMessageID(protocol::message::kValueChange);
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

// Every file the sound data options name (the factory set too, unless
// --no-factory) is a regular readable file; false with a message naming
// the first that is not and why.
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

// Loads the factory set, then loads, imports and switches what the
// options ask for (the files were checked by checkSoundFiles); false
// (with a message) when a file cannot be read after all.
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

// Sets the drum channels to Percussion and, with everyOtherPart, every
// other part to Instrument, through the editor's part controls. A mode
// change stops the part's sounding notes; an unchanged mode is left alone.
void applyLayout(PluginInstance& instance, uint16_t drums, bool everyOtherPart) {
  ProcessorMessages messages(instance);
  for (int32 channel = 0; channel < 16; ++channel) {
    const bool drum = (drums >> channel) & 1;
    if (!drum && !everyOtherPart) continue;
    messages.valueChange(tags::kSelectPart, channel / 15.0);
    messages.valueChange(tags::kPartMode, (drum ? synth::kModePercussion : synth::kModeInstrument) / 3.0);
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

// Refusals that need no plug-in: the output's kind, the input, the output
// path against the input. Exit code, or -1 to go on.
int checkPaths(Options& options) {
  std::vector<std::string> outputs = {options.output};
  if (options.stems)
    for (int32 bus = 0; bus < 16; ++bus) outputs.push_back(stemPath(options.output, bus));
  for (const std::string& path : outputs) {
    for (const std::string& written : {path, path + ".partial", path + ".partial.enc"}) {
      if (written == options.input || sameFile(written, options.input)) {
        std::fprintf(stderr, "korvane-render: cannot write %s: it is the input file %s itself; nothing written\n",
                     written.c_str(), options.input.c_str());
        return kExitRefused;
      }
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      std::fprintf(stderr, "korvane-render: cannot write %s: is a folder (give a file name)\n", path.c_str());
      return kExitRefused;
    }
  }
  if (!ovri::korvane::render::outputKindFor(options.output, options.pcm24, options.kind)) {
    std::fprintf(stderr, "korvane-render: cannot write %s: unknown output format; the extension must be one of %s\n",
                 options.output.c_str(), ovri::korvane::render::outputExtensions().c_str());
    return kExitRefused;
  }
  if (options.pcm24 && options.kind != OutputKind::WavPcm24) {
    std::fprintf(stderr, "korvane-render: --pcm24 is for .wav output, not %s\n", options.output.c_str());
    return kExitUsage;
  }
  std::string reason;
  if (!readableFile(options.input, reason)) {
    std::fprintf(stderr, "korvane-render: cannot read %s: %s\n", options.input.c_str(), reason.c_str());
    return kExitRefused;
  }
  return -1;
}

// A progress line on a terminal: song, percent, times real time.
class Progress {
public:
  Progress(const Options& options)
      : shown(options.progress && ::isatty(STDERR_FILENO) == 1), song(baseName(options.input)) {}
  void update(double done, double total, double seconds) {
    if (!shown) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last < std::chrono::milliseconds(500)) return;
    last = now;
    std::fprintf(stderr, "\r%s  %3d%%  %.0fx real time ", song.c_str(), static_cast<int>(100.0 * done / std::max(total, 1e-9)),
                 seconds > 0.0 ? done / seconds : 0.0);
    drawn = true;
  }
  void end() {
    if (drawn) std::fprintf(stderr, "\r%*s\r", static_cast<int>(song.size()) + 28, "");
    drawn = false;
  }

private:
  bool shown;
  bool drawn = false;
  std::string song;
  std::chrono::steady_clock::time_point last{};
};

// One song into options.output (or its stems): the exit code.
int renderSong(Options& options) {
  if (const int refused = checkPaths(options); refused >= 0) return refused;
  if (!checkSoundFiles(options)) return kExitRefused;

  std::vector<uint8_t> bytes;
  std::string reason;
  if (!readFile(options.input, bytes, reason)) {
    std::fprintf(stderr, "korvane-render: cannot read %s: %s\n", options.input.c_str(), reason.c_str());
    return kExitRefused;
  }
  MidiSong song;
  std::string error;
  const double limitSeconds = options.maxHours * 3600.0;
  if (!ovri::korvane::midi::readMidiFile(bytes.data(), bytes.size(), options.rate, song, error, limitSeconds)) {
    const bool tooLong = error.find("longer than the limit") != std::string::npos;
    std::fprintf(stderr, "korvane-render: %s: %s%s\n", options.input.c_str(), error.c_str(),
                 tooLong ? " (--max-hours raises the limit)" : "");
    return kExitRefused;
  }
  int64_t total = song.endSample + static_cast<int64_t>(options.tail * options.rate + 0.5);
  if (options.length > 0.0) total = std::min(total, static_cast<int64_t>(options.length * options.rate + 0.5));
  if (total / options.rate > limitSeconds) {
    std::fprintf(stderr,
                 "korvane-render: %s: the song (%.1f s) and its tail (%.1f s) are longer than the limit of %g s "
                 "(--max-hours raises the limit)\n",
                 options.input.c_str(), song.endSample / options.rate, options.tail, limitSeconds);
    return kExitRefused;
  }

  auto module = PluginModule::load(options.plugin, error);
  if (!module) {
    std::fprintf(stderr, "korvane-render: %s\n", error.c_str());
    return kExitRefused;
  }
  auto instance = PluginInstance::create(*module, error);
  ProcessOptions processOptions;
  processOptions.sampleRate = options.rate;
  processOptions.maxBlockSize = options.block;
  processOptions.processMode = kOffline;
  if (!instance || !instance->start(processOptions, error)) {
    std::fprintf(stderr, "korvane-render: %s\n", error.c_str());
    return kExitRefused;
  }

  // The partial files, before anything else: a folder that cannot take
  // them is refused here. Then the room they and the output need.
  const int32 outputs = instance->outputCount();
  std::vector<OutputFile> files(options.stems ? static_cast<size_t>(outputs) : 1);
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string path = options.stems ? stemPath(options.output, static_cast<int32>(i)) : options.output;
    if (!files[i].open(path, options.rate, options.stems, error)) {
      std::fprintf(stderr, "korvane-render: %s\n", error.c_str());
      return kExitRefused;
    }
  }
  const double partialBytes = static_cast<double>(total) * 2 * sizeof(float) * static_cast<double>(files.size());
  const double outputBytes = static_cast<double>(total) * 2 * ovri::korvane::render::outputBytesPerSample(options.kind);
  const int64_t available = freeBytes(folderOf(options.output));
  if (available >= 0 && partialBytes + outputBytes > static_cast<double>(available)) {
    std::fprintf(stderr,
                 "korvane-render: cannot write %s: %.1f s of audio needs up to %s on its disk (%s while rendering, "
                 "%s for the file), which has %s free\n",
                 options.output.c_str(), total / options.rate, gigabytes(partialBytes + outputBytes).c_str(),
                 gigabytes(partialBytes).c_str(), gigabytes(outputBytes).c_str(),
                 gigabytes(static_cast<double>(available)).c_str());
    return kExitRefused;
  }

  if (instance->midiMapping == nullptr)
    std::fprintf(stderr, "korvane-render: the plug-in maps no MIDI controllers; only notes and system exclusive are sent\n");
  if (!prepareSoundData(options, *instance)) return kExitRefused;

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
    if (!options.noSustain) ProcessorMessages(*instance).valueChange(tags::kSustainPedal, 1.0);
    std::printf("sustain pedal (CC 64): %s\n", options.noSustain ? "off (--no-sustain)" : "on (General MIDI song)");
  } else {
    std::printf("drum channels: none (General MIDI layout off: every part keeps the mode its sound data gives it)\n");
  }

  if (options.partOutputs) {
    ProcessorMessages messages(*instance);
    for (int32 channel = 0; channel < 16; ++channel) {
      messages.valueChange(tags::kSelectPart, channel / 15.0);
      messages.valueChange(tags::kPartOutput, channel / 15.0);
    }
  }

  std::vector<float> interleaved(static_cast<size_t>(options.block) * 2);
  std::vector<float> mix(static_cast<size_t>(options.block) * 2);
  LoudnessMeter meter(options.rate);
  Progress progress(options);
  const auto started = std::chrono::steady_clock::now();
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

    std::fill_n(mix.begin(), 2 * frames, 0.0f);
    for (int32 bus = 0; bus < outputs; ++bus) {
      const float* left = instance->output(bus, 0);
      const float* right = instance->output(bus, 1);
      for (int32 i = 0; i < frames; ++i) {
        interleaved[2 * i] = left != nullptr ? left[i] : 0.0f;
        interleaved[2 * i + 1] = right != nullptr ? right[i] : 0.0f;
        mix[2 * i] += interleaved[2 * i];
        mix[2 * i + 1] += interleaved[2 * i + 1];
      }
      if (options.stems) writeFailed |= !files[static_cast<size_t>(bus)].write(interleaved.data(), frames);
    }
    if (!options.stems) writeFailed |= !files[0].write(mix.data(), frames);
    meter.add(mix.data(), frames);
    if (writeFailed) {
      progress.end();
      std::fprintf(stderr, "korvane-render: cannot write %s: %s\n", options.output.c_str(),
                   reasonOf(errno != 0 ? errno : EIO).c_str());
      return kExitRefused;
    }
    position = end;
    progress.update(position / options.rate, total / options.rate,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  }
  progress.end();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double audio = total / options.rate;
  std::printf("rendered %.2f s of audio in %.3f s: real-time factor %.1f\n", audio, wall,
              wall > 0.0 ? audio / wall : 0.0);
  if (!options.saveState.empty() && !writeFile(options.saveState, processorState(instance->component), reason)) {
    std::fprintf(stderr, "korvane-render: cannot write %s: %s\n", options.saveState.c_str(), reason.c_str());
    return kExitRefused;
  }

  // The files written: the mix, or the stems that carry sound.
  std::vector<OutputFile*> written;
  for (OutputFile& file : files)
    if (!options.stems || options.allStems || file.carriesSound()) written.push_back(&file);
  double truePeak = meter.truePeak();
  double samplePeak = 0.0;
  for (const OutputFile* file : written) {
    truePeak = std::max(truePeak, options.stems ? file->truePeak() : meter.truePeak());
    samplePeak = std::max(samplePeak, file->rawPeak());
  }
  const double integrated = meter.integrated();
  std::printf("loudness: %.2f LUFS integrated, range %.2f LU, true peak %+.2f dBTP (the mix as rendered)\n",
              integrated, meter.range(), toDecibels(meter.truePeak()));

  // One gain for every file, so that stems still add up to the mix.
  double gainDb = options.level == LevelMode::Gain ? options.gainDb : 0.0;
  if (options.level == LevelMode::Loudness) {
    const auto normal = ovri::korvane::render::normalizeGain(integrated, truePeak);
    gainDb = normal.gainDb;
    if (!std::isfinite(integrated))
      std::printf("gain: +0.00 dB (too quiet to measure: left at the plug-in's level)\n");
    else
      std::printf("gain: %+.2f dB (normalised to %.2f LUFS%s)\n", gainDb, integrated + gainDb,
                  normal.limitedByPeak ? ", held below -16 by the -1 dBTP true-peak ceiling" : "");
  } else if (options.level == LevelMode::Peak) {
    gainDb = samplePeak > 0.0 ? kNormalizePeakDb - toDecibels(samplePeak) : 0.0;
    std::printf("gain: %+.2f dB (sample peak normalised to -1 dBFS)\n", gainDb);
  } else {
    std::printf("gain: %+.2f dB (the plug-in's own level%s)\n", gainDb,
                options.level == LevelMode::Gain ? " with --gain" : ", --no-normalize");
  }
  if (options.stems)
    std::printf("stems: %zu of %zu written%s\n", written.size(), files.size(),
                options.allStems ? " (--all-stems)" : " (those that carry sound)");
  const double gain = std::pow(10.0, gainDb / 20.0);
  int status = kExitOk;
  for (OutputFile* file : written) {
    Level level;
    if (!file->finish(options.kind, gain, level, error)) {
      std::fprintf(stderr, "korvane-render: %s\n", error.c_str());
      status = kExitRefused;
      continue;
    }
    std::printf("%s: peak %.2f dBFS, %lld samples at or above full scale%s\n", file->path().c_str(),
                toDecibels(level.peak), static_cast<long long>(level.clipped), level.rf64 ? " (RF64)" : "");
    if (level.clipped > 0)
      std::fprintf(stderr,
                   "korvane-render: warning: %s CLIPS: %lld of %lld samples at or above full scale, peak %+.2f dBFS; "
                   "lower the level with --gain %.1f, or leave out --gain for the normalised level\n",
                   file->path().c_str(), static_cast<long long>(level.clipped), static_cast<long long>(level.samples),
                   toDecibels(level.peak), gainDb - std::ceil(toDecibels(level.peak) + 1.0));
  }
  if (written.empty()) std::printf("no output carries sound: no file written\n");
  for (OutputFile& file : files) file.discard();
  return status;
}

// ---------------------------------------------------------------------------
// Batch: every song into one folder, each in a child process (this program
// with the song's options), jobs at a time.

volatile sig_atomic_t batchSignal = 0;
constexpr int kMaxJobs = 256;
pid_t batchChildren[kMaxJobs];

extern "C" void forwardSignal(int signal) {
  batchSignal = signal;
  for (pid_t child : batchChildren)
    if (child > 0) ::kill(child, signal);
}

int renderBatch(const Options& options) {
  const std::string& folder = options.outputFolder;
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) {
    std::fprintf(stderr, "korvane-render: cannot write into %s: %s\n", folder.c_str(), reasonOf(errno).c_str());
    return kExitRefused;
  }
  if (!S_ISDIR(info.st_mode)) {
    std::fprintf(stderr, "korvane-render: cannot write into %s: is not a folder\n", folder.c_str());
    return kExitRefused;
  }
  OutputKind kind = OutputKind::WavFloat;
  if (!ovri::korvane::render::outputKindFor("song." + options.outputExtension, options.pcm24, kind)) {
    std::fprintf(stderr, "korvane-render: --format %s: unknown output format; it must be one of %s\n",
                 options.outputExtension.c_str(), ovri::korvane::render::outputExtensions().c_str());
    return kExitRefused;
  }
  // One output per song; two songs of one name would write one file.
  std::vector<std::pair<std::string, std::string>> songs;
  std::map<std::string, std::string> taken;
  for (const std::string& input : options.inputs) {
    std::string name = baseName(input);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    const std::string output = (folder == "/" ? "" : folder) + "/" + name + "." + options.outputExtension;
    if (!taken.emplace(output, input).second) {
      std::fprintf(stderr, "korvane-render: %s and %s would both be written to %s; nothing written\n",
                   taken[output].c_str(), input.c_str(), output.c_str());
      return kExitRefused;
    }
    songs.emplace_back(input, output);
  }
  if (songs.size() == 1) {
    Options one = options;
    one.input = songs[0].first;
    one.output = songs[0].second;
    ovri::korvane::render::installSignalCleanup();
    return renderSong(one);
  }

  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) {
    std::fprintf(stderr, "korvane-render: cannot find its own program: %s\n", reasonOf(errno).c_str());
    return kExitRefused;
  }
  self[length] = '\0';
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int32 jobs = std::min<int32>(options.jobs > 0 ? options.jobs : static_cast<int32>(cores), kMaxJobs);

  struct sigaction action {};
  action.sa_handler = forwardSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  std::fflush(stdout);
  std::fflush(stderr);
  size_t started = 0;
  size_t finished = 0;
  size_t failed = 0;
  std::vector<size_t> songOf(kMaxJobs, 0);
  auto running = [&] { return static_cast<int32>(started - finished); };
  while (finished < songs.size()) {
    while (batchSignal == 0 && started < songs.size() && running() < jobs) {
      int32 slot = 0;
      while (batchChildren[slot] > 0) ++slot;
      std::vector<std::string> arguments = {self};
      arguments.insert(arguments.end(), options.songArguments.begin(), options.songArguments.end());
      arguments.push_back("--no-progress");
      arguments.push_back(songs[started].first);
      arguments.push_back(songs[started].second);
      std::vector<char*> argv;
      for (std::string& a : arguments) argv.push_back(a.data());
      argv.push_back(nullptr);
      const pid_t child = ::fork();
      if (child == 0) {
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::execv(self, argv.data());
        ::_exit(127);
      }
      if (child < 0) {
        std::fprintf(stderr, "korvane-render: cannot start a render: %s\n", reasonOf(errno).c_str());
        return kExitRefused;
      }
      batchChildren[slot] = child;
      songOf[static_cast<size_t>(slot)] = started++;
    }
    if (running() == 0) break;  // a signal stopped the batch before the rest began
    int status = 0;
    const pid_t child = ::waitpid(-1, &status, 0);
    if (child < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int32 slot = 0; slot < kMaxJobs; ++slot) {
      if (batchChildren[slot] != child) continue;
      batchChildren[slot] = 0;
      ++finished;
      const auto& [input, output] = songs[songOf[static_cast<size_t>(slot)]];
      const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      failed += ok ? 0 : 1;
      std::printf("[%zu/%zu] %s -> %s: %s\n", finished, songs.size(), input.c_str(), output.c_str(),
                  ok ? "done" : "FAILED");
      std::fflush(stdout);
    }
  }
  if (batchSignal != 0) return 128 + batchSignal;
  if (failed > 0) std::fprintf(stderr, "korvane-render: %zu of %zu songs failed\n", failed, songs.size());
  return failed > 0 ? kExitRefused : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  if (!parseArguments(argc, argv, options, help)) {
    usage(help ? stdout : stderr);
    return help ? kExitOk : kExitUsage;
  }
  if (!options.outputFolder.empty()) return renderBatch(options);
  ovri::korvane::render::installSignalCleanup();
  return renderSong(options);
}

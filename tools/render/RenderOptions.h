#pragma once

// korvane-render's options: what the command line asks for, and its parser.
#include "tools/datapaths/DataPaths.h"
#include "tools/midi/MidiFile.h"
#include "tools/render/OutputFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ovri::korvane::render {

// The plug-in and the factory set (the text files and the sample WAVs) by
// default: found beside the installed program, in the build tree or in a
// user install (tools/datapaths).
inline const datapaths::DataPaths& defaults() { return datapaths::found(); }

// A sound-data action carried out before rendering, through the
// processor's own messages as the editor sends them.
struct FileAction {
  int32_t tag;
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
  int32_t jobs = 0;                   // -j N; 0 = the core count
  bool progress = true;
  std::string plugin = defaults().plugin;
  double rate = 44100.0;
  int32_t block = 512;
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

void usage(std::FILE* to);
// False (with a message, or none for --help) when the options are wrong;
// help is set for --help.
bool parseArguments(int argc, char** argv, Options& options, bool& help);

}  // namespace ovri::korvane::render

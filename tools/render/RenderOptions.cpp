#include "tools/render/RenderOptions.h"

#include "plugin/EditorProtocol.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ovri::korvane::render {

namespace {

namespace fileactions = protocol::fileactions;

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
  action = {fileactions::importWavTag(mode, static_cast<int32_t>(slot)), path};
  return true;
}

}  // namespace

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
      options.jobs = static_cast<int32_t>(jobs);
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
      const int32_t tag = arg == "--tones" ? fileactions::kImportTones : (arg == "--sampler" ? fileactions::kImportSamplerPresets : fileactions::kImportSampleParameters);
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

}  // namespace ovri::korvane::render

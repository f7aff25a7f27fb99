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
// follow; --no-factory starts from the plain reset sound.#include "host/PluginHost.h"
#include "plugin/EditorProtocol.h"
#include "tools/midi/MidiFile.h"
#include "tools/render/Batch.h"
#include "tools/render/Cleanup.h"
#include "tools/render/Loudness.h"
#include "tools/render/OutputFile.h"
#include "tools/render/RenderFiles.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/SoundSetup.h"

#include "pluginterfaces/vst/ivstmidicontrollers.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace ovri::korvane::render;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::host::ProcessOptions;
using ovri::korvane::midi::MidiSong;
using ovri::korvane::midi::TimedEvent;
namespace tags = ovri::korvane::protocol::tags;

// A progress line on a terminal: song, percent, times real time.
class Progress {
public:
  explicit Progress(const Options& options)
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

// The block loop: the song's messages into blocks as a DAW delivers them
// (see the top of this file), every output into the files and the mix
// into the meter, up to total samples. False when a file cannot be written.
bool playSong(const Options& options, const MidiSong& song, int64_t total, bool gmLayout, PluginInstance& instance,
              std::vector<OutputFile>& files, LoudnessMeter& meter, Progress& progress,
              std::chrono::steady_clock::time_point started) {
  const int32 outputs = instance.outputCount();
  std::vector<float> interleaved(static_cast<size_t>(options.block) * 2);
  std::vector<float> mix(static_cast<size_t>(options.block) * 2);
  size_t next = 0;
  int64_t position = 0;
  bool writeFailed = false;
  while (position < total) {
    int64_t end = std::min<int64_t>(position + options.block, total);
    instance.clearInput();
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
        applyLayout(instance, options.drums, true);
      }
      ParamID id = 0;
      ParamValue value = 0.0;
      if (parameterFor(instance.midiMapping, e, id, value)) {
        if (instance.changes().contains(id)) {
          end = offset > 0 ? e.sample : position + 1;
          break;
        }
        instance.changes().add(id, offset, value);
      } else if (e.kind() == 0x90 && e.data2 > 0) {
        instance.events().addNoteOn(offset, e.channel(), e.data1, e.data2 / 127.0f);
      } else if (e.kind() == 0x90 || e.kind() == 0x80) {
        instance.events().addNoteOff(offset, e.channel(), e.data1, e.data2 / 127.0f);
      } else if (e.status == 0xF0) {
        instance.events().addSysEx(offset, e.sysex.data(), static_cast<uint32_t>(e.sysex.size()));
      }
      ++queued;
      ++next;
    }
    const int32 frames = static_cast<int32>(end - position);
    instance.process(frames);

    std::fill_n(mix.begin(), 2 * frames, 0.0f);
    for (int32 bus = 0; bus < outputs; ++bus) {
      const float* left = instance.output(bus, 0);
      const float* right = instance.output(bus, 1);
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
    if (writeFailed) return false;
    position = end;
    progress.update(position / options.rate, total / options.rate,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  }
  return true;
}

// The level the options ask for, the same gain for every file, then the
// files written (the mix, or the stems that carry sound) and the partial
// files removed: the exit code.
int finishOutputs(const Options& options, std::vector<OutputFile>& files, LoudnessMeter& meter) {
  std::string error;
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

  const bool gmLayout = startGeneralMidiLayout(options, *instance, song);

  if (options.partOutputs) {
    ProcessorMessages messages(*instance);
    for (int32 channel = 0; channel < 16; ++channel) {
      messages.valueChange(tags::kSelectPart, channel / 15.0);
      messages.valueChange(tags::kPartOutput, channel / 15.0);
    }
  }

  LoudnessMeter meter(options.rate);
  Progress progress(options);
  const auto started = std::chrono::steady_clock::now();
  const bool played = playSong(options, song, total, gmLayout, *instance, files, meter, progress, started);
  progress.end();
  if (!played) {
    std::fprintf(stderr, "korvane-render: cannot write %s: %s\n", options.output.c_str(),
                 reasonOf(errno != 0 ? errno : EIO).c_str());
    return kExitRefused;
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double audio = total / options.rate;
  std::printf("rendered %.2f s of audio in %.3f s: real-time factor %.1f\n", audio, wall,
              wall > 0.0 ? audio / wall : 0.0);
  if (!options.saveState.empty() && !writeFile(options.saveState, processorState(instance->component), reason)) {
    std::fprintf(stderr, "korvane-render: cannot write %s: %s\n", options.saveState.c_str(), reason.c_str());
    return kExitRefused;
  }

  return finishOutputs(options, files, meter);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  if (!parseArguments(argc, argv, options, help)) {
    usage(help ? stdout : stderr);
    return help ? kExitOk : kExitUsage;
  }
  if (!options.outputFolder.empty()) return renderBatch(options, renderSong);
  installSignalCleanup();
  return renderSong(options);
}

// korvane: the instrument on its own, without a DAW. The plug-in is loaded
// through the host library as a DAW loads it and played from JACK: one JACK
// MIDI input, the stereo main output (and the 15 auxiliary outputs with
// --outputs 16), and an ALSA sequencer input port "korvane" that MIDI
// players (`aplaymidi -p korvane`) and keyboards connect to. The plug-in's
// editor opens in a window unless --headless. The sound set is restored on
// start from ~/.config/korvane/state.bin (or --state FILE) and written back
// on exit and every few minutes. In the window, Ctrl+O, Ctrl+S and Ctrl+F
// load a state file, save one and load the factory set.
//
// Threads: JACK's process thread renders (Engine::process: no lock, no
// allocation, no system call); the ALSA sequencer is read on a thread of
// its own that hands complete messages to the process thread through a
// ring; everything else (editor, state files) is on the main thread.
#include "host/PluginHost.h"
#include "plugin/EditorProtocol.h"
#include "standalone/MidiToHost.h"
#include "tools/datapaths/DataPaths.h"
#include "tools/samples/FactorySampleSet.h"
#ifdef KORVANE_STANDALONE_WINDOW
#include "host/HostWindow.h"
#include "standalone/WindowShortcuts.h"
#endif

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <alsa/asoundlib.h>
#include <sys/mman.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::standalone::MidiToHost;
using ovri::korvane::standalone::RawMidi;

constexpr int kMaxOutputs = 16;
constexpr int kStateSaveSeconds = 180;

struct Options {
  std::string plugin = ovri::korvane::datapaths::found().plugin;
  std::string state;  // empty: ~/.config/korvane/state.bin
  bool factory = false;
  bool headless = false;
  int outputs = 1;
  double rate = 0;  // 0: the JACK server's
  int period = 0;   // 0: the JACK server's
  std::string name = "korvane";
};

void usage(FILE* out) {
  const auto& found = ovri::korvane::datapaths::found();
  std::fprintf(out,
               "usage: korvane [options]\n"
               "Korvane Synth FM4 as an instrument on its own: JACK audio and MIDI, an ALSA\n"
               "sequencer input port, and the plug-in's editor window.\n"
               "  --headless       no window (a MIDI synthesizer service)\n"
               "  --outputs N      stereo JACK outputs: 1 (main, default) or 16 (main and 15 auxiliary)\n"
               "  --state FILE     the sound set restored on start and saved on exit\n"
               "                   (default ~/.config/korvane/state.bin)\n"
               "  --factory        start from the factory set instead of the saved sound set\n"
               "  --rate HZ        the sample rate expected of the JACK server (refused if it differs)\n"
               "  --period N       ask the JACK server for N-frame periods\n"
               "  --name NAME      JACK client and ALSA sequencer client name (default korvane)\n"
               "  --plugin PATH    the .vst3 bundle (default %s, %s)\n"
               "  --help           this text\n"
               "keys in the window: Ctrl+O load a state file, Ctrl+S save one, Ctrl+F the factory set\n"
               "factory set: %s (%s)\n"
               "The state is saved every %d seconds and on exit (SIGINT, SIGTERM, closing the window).\n",
               found.plugin.c_str(), found.pluginOrigin, found.factoryTexts.c_str(), found.factoryOrigin,
               kStateSaveSeconds);
}

bool parseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--headless") {
      options.headless = true;
    } else if (arg == "--factory") {
      options.factory = true;
    } else if (arg == "--help" || arg == "-h") {
      usage(stdout);
      std::exit(0);
    } else if (hasValue && arg == "--state") {
      options.state = argv[++i];
    } else if (hasValue && arg == "--plugin") {
      options.plugin = argv[++i];
    } else if (hasValue && arg == "--name") {
      options.name = argv[++i];
    } else if (hasValue && arg == "--outputs") {
      options.outputs = std::atoi(argv[++i]);
      if (options.outputs != 1 && options.outputs != kMaxOutputs) {
        std::fprintf(stderr, "korvane: --outputs takes 1 or 16\n");
        return false;
      }
    } else if (hasValue && arg == "--rate") {
      options.rate = std::atof(argv[++i]);
      if (!(options.rate >= 8000 && options.rate <= 384000)) {
        std::fprintf(stderr, "korvane: --rate must lie between 8000 and 384000\n");
        return false;
      }
    } else if (hasValue && arg == "--period") {
      options.period = std::atoi(argv[++i]);
      if (options.period < 16 || options.period > 8192 || (options.period & (options.period - 1)) != 0) {
        std::fprintf(stderr, "korvane: --period takes a power of two from 16 to 8192\n");
        return false;
      }
    } else {
      std::fprintf(stderr, "korvane: unknown option or missing value: %s\n", arg.c_str());
      return false;
    }
  }
  return true;
}

std::atomic<bool> quitRequested{false};
void onSignal(int) { quitRequested.store(true); }

// The audio side: JACK ports and the process callback.
struct Engine {
  PluginInstance* instance = nullptr;
  MidiToHost* midi = nullptr;
  jack_client_t* client = nullptr;
  jack_port_t* midiIn = nullptr;
  jack_port_t* outs[kMaxOutputs][2] = {};
  int outputs = 1;
  int32 maxBlock = 0;
  std::atomic<uint32_t> xruns{0};

  static int processCallback(jack_nframes_t frames, void* self) {
    static_cast<Engine*>(self)->process(frames);
    return 0;
  }
  static int xrunCallback(void* self) {
    static_cast<Engine*>(self)->xruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
  }

  void process(jack_nframes_t frames) {
    void* midiBuffer = jack_port_get_buffer(midiIn, frames);
    midi->beginCycle();
    const uint32_t count = jack_midi_get_event_count(midiBuffer);
    for (uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, midiBuffer, i) == 0) midi->add(event.time, event.buffer, event.size);
    }
    float* buffers[kMaxOutputs][2];
    for (int o = 0; o < outputs; ++o)
      for (int c = 0; c < 2; ++c) buffers[o][c] = static_cast<float*>(jack_port_get_buffer(outs[o][c], frames));

    int32 position = 0;
    const int32 total = static_cast<int32>(frames);
    while (position < total) {
      const int32 end = midi->fillBlock(*instance, position, std::min(total, position + maxBlock));
      const int32 length = end - position;
      instance->process(length);
      for (int o = 0; o < outputs; ++o) {
        for (int c = 0; c < 2; ++c) {
          const float* rendered = instance->output(o, c);
          if (rendered != nullptr)
            std::memcpy(buffers[o][c] + position, rendered, sizeof(float) * static_cast<size_t>(length));
          else
            std::memset(buffers[o][c] + position, 0, sizeof(float) * static_cast<size_t>(length));
        }
      }
      position = end;
    }
  }
};

// The ALSA sequencer input: a client with one writable port, read on its
// own thread; complete messages go to the process thread through the ring.
struct AlsaInput {
  snd_seq_t* seq = nullptr;
  snd_midi_event_t* decoder = nullptr;
  std::thread thread;
  std::atomic<bool> stop{false};

  bool open(const std::string& name, MidiToHost& midi, std::string& error) {
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
      error = "no ALSA sequencer";
      seq = nullptr;
      return false;
    }
    snd_seq_set_client_name(seq, name.c_str());
    if (snd_seq_create_simple_port(seq, "midi in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTHESIZER |
                                       SND_SEQ_PORT_TYPE_APPLICATION) < 0 ||
        snd_midi_event_new(RawMidi::kMaxBytes, &decoder) < 0) {
      error = "cannot create the ALSA sequencer port";
      return false;
    }
    snd_midi_event_no_status(decoder, 1);
    thread = std::thread([this, &midi] { run(midi); });
    return true;
  }

  void run(MidiToHost& midi) {
    const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
    std::vector<pollfd> fds(static_cast<size_t>(count));
    snd_seq_poll_descriptors(seq, fds.data(), static_cast<unsigned>(count), POLLIN);
    while (!stop.load()) {
      if (poll(fds.data(), fds.size(), 100) <= 0) continue;
      snd_seq_event_t* event = nullptr;
      while (snd_seq_event_input(seq, &event) >= 0 && event != nullptr) {
        RawMidi message;
        const long size = snd_midi_event_decode(decoder, message.bytes, sizeof message.bytes, event);
        if (size > 0) {
          message.size = static_cast<uint16_t>(size);
          midi.post(message);
        }
        event = nullptr;
      }
    }
  }

  ~AlsaInput() {
    stop.store(true);
    if (thread.joinable()) thread.join();
    if (decoder != nullptr) snd_midi_event_free(decoder);
    if (seq != nullptr) snd_seq_close(seq);
  }
};

void sendFileAction(PluginInstance& instance, int32 tag, const std::string& path) {
  IPtr<HostMessage> message = owned(new HostMessage);
  message->setMessageID(ovri::korvane::protocol::message::kFileSelect);
  message->getAttributes()->setInt("tag", tag);
  message->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
  instance.notifyProcessor(message);
}

// The factory set, through the processor's file actions as the editor
// loads it.
bool loadFactory(PluginInstance& instance) {
  const auto& found = ovri::korvane::datapaths::found();
  const auto imports = ovri::korvane::samples::factoryImports(found.factoryTexts, found.factorySamples);
  for (const auto& import : imports) {
    if (!std::ifstream(import.path)) {
      std::fprintf(stderr, "korvane: the factory set is incomplete: %s is missing\n", import.path.c_str());
      return false;
    }
  }
  for (const auto& import : imports) sendFileAction(instance, import.tag, import.path);
  return true;
}

bool loadState(PluginInstance& instance, const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  IPtr<MemoryStream> stream = owned(new MemoryStream(bytes.data(), static_cast<TSize>(bytes.size())));
  if (instance.component->setState(stream) != kResultOk) {
    std::fprintf(stderr, "korvane: %s is no state of this instrument; not loaded\n", path.c_str());
    return false;
  }
  stream->seek(0, IBStream::kIBSeekSet, nullptr);
  instance.controller->setComponentState(stream);
  return true;
}

// Written to a temporary file beside it and renamed over it, so that a
// crash never leaves half a state.
bool saveState(PluginInstance& instance, const std::string& path) {
  IPtr<MemoryStream> stream = owned(new MemoryStream);
  if (instance.component->getState(stream) != kResultOk) return false;
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(stream->getData(), static_cast<std::streamsize>(stream->getSize()));
    if (!file.flush()) {
      std::fprintf(stderr, "korvane: cannot write %s\n", temporary.c_str());
      return false;
    }
  }
  std::filesystem::rename(temporary, path, error);
  if (error) std::fprintf(stderr, "korvane: cannot write %s\n", path.c_str());
  return !error;
}

std::string defaultStatePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/korvane/state.bin";
  return std::string(home != nullptr ? home : ".") + "/.config/korvane/state.bin";
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseArguments(argc, argv, options)) {
    usage(stderr);
    return 2;
  }
  if (options.state.empty()) options.state = defaultStatePath();

  std::string error;
  auto module = PluginModule::load(options.plugin, error);
  if (!module) {
    std::fprintf(stderr, "korvane: %s\n", error.c_str());
    return 1;
  }
  auto instance = PluginInstance::create(*module, error);
  if (!instance) {
    std::fprintf(stderr, "korvane: %s\n", error.c_str());
    return 1;
  }

  jack_status_t status;
  jack_client_t* client = jack_client_open(options.name.c_str(), JackNoStartServer, &status);
  if (client == nullptr) {
    std::fprintf(stderr, "korvane: no JACK server (start one, or PipeWire's JACK layer: pw-jack korvane)\n");
    return 1;
  }
  if (options.period > 0 && jack_set_buffer_size(client, static_cast<jack_nframes_t>(options.period)) != 0)
    std::fprintf(stderr, "korvane: the JACK server keeps its period of %u frames\n", jack_get_buffer_size(client));
  const double rate = jack_get_sample_rate(client);
  if (options.rate > 0 && options.rate != rate) {
    std::fprintf(stderr, "korvane: the JACK server runs at %.0f Hz, not %.0f\n", rate, options.rate);
    jack_client_close(client);
    return 1;
  }

  Engine engine;
  engine.client = client;
  engine.outputs = options.outputs;
  engine.maxBlock = static_cast<int32>(std::max<jack_nframes_t>(jack_get_buffer_size(client), 256));
  ovri::korvane::host::ProcessOptions processOptions;
  processOptions.sampleRate = rate;
  processOptions.maxBlockSize = engine.maxBlock;
  processOptions.connectedOutputs = options.outputs;
  if (!instance->start(processOptions, error)) {
    std::fprintf(stderr, "korvane: %s\n", error.c_str());
    jack_client_close(client);
    return 1;
  }
  MidiToHost midi(*instance);
  engine.instance = instance.get();
  engine.midi = &midi;

  // The sound set: the last one, else the factory set.
  bool restored = false;
  if (!options.factory) restored = loadState(*instance, options.state);
  if (!restored) loadFactory(*instance);
  std::printf("korvane: %s (%s)\n", restored ? options.state.c_str() : "factory set",
              restored ? "restored" : "loaded");

  engine.midiIn = jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  for (int o = 0; o < options.outputs; ++o) {
    for (int c = 0; c < 2; ++c) {
      const std::string name = "out" + std::to_string(o + 1) + (c == 0 ? "_L" : "_R");
      engine.outs[o][c] = jack_port_register(client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
      if (engine.outs[o][c] == nullptr) error = "cannot register the JACK port " + name;
    }
  }
  if (engine.midiIn == nullptr || !error.empty()) {
    std::fprintf(stderr, "korvane: %s\n", error.empty() ? "cannot register the JACK MIDI port" : error.c_str());
    jack_client_close(client);
    return 1;
  }
  // What the process thread touches stays in memory (no page fault on it);
  // without the right to lock memory it runs as it is.
  mlockall(MCL_CURRENT);
  jack_set_process_callback(client, &Engine::processCallback, &engine);
  jack_set_xrun_callback(client, &Engine::xrunCallback, &engine);
  if (jack_activate(client) != 0) {
    std::fprintf(stderr, "korvane: cannot activate the JACK client\n");
    jack_client_close(client);
    return 1;
  }
  // The main output goes to the system playback ports where there are any.
  const char** playback = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
  if (playback != nullptr) {
    for (int c = 0; c < 2 && playback[c] != nullptr; ++c) jack_connect(client, jack_port_name(engine.outs[0][c]), playback[c]);
    jack_free(playback);
  }
  jack_latency_range_t latency;
  jack_port_get_latency_range(engine.outs[0][0], JackPlaybackLatency, &latency);
  std::printf("korvane: JACK client %s at %.0f Hz, %u-frame periods, output latency %u frames (%.2f ms)\n",
              jack_get_client_name(client), rate, jack_get_buffer_size(client), latency.max,
              1000.0 * latency.max / rate);

  AlsaInput alsa;
  if (alsa.open(options.name, midi, error))
    std::printf("korvane: ALSA sequencer port %s:0 (aplaymidi -p %s)\n", options.name.c_str(), options.name.c_str());
  else
    std::printf("korvane: %s; JACK MIDI only\n", error.c_str());
  std::fflush(stdout);

  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);

  auto lastSave = std::chrono::steady_clock::now();
  auto tick = [&] {
    if (std::chrono::steady_clock::now() - lastSave > std::chrono::seconds(kStateSaveSeconds)) {
      saveState(*instance, options.state);
      lastSave = std::chrono::steady_clock::now();
    }
  };

#ifdef KORVANE_STANDALONE_WINDOW
  if (!options.headless) {
    ovri::korvane::host::HostRunLoop loop;
    auto window = ovri::korvane::host::HostWindow::create(loop, true, error);
    IPlugView* view = window ? instance->controller->createView(ViewType::kEditor) : nullptr;
    if (view == nullptr || window->attach(view) != kResultOk) {
      std::fprintf(stderr, "korvane: no editor window (%s); running headless\n",
                   window ? "the plug-in gives no editor" : error.c_str());
      if (view != nullptr) view->release();
      view = nullptr;
    }
    if (view != nullptr) {
      ovri::korvane::standalone::WindowShortcuts shortcuts;
      shortcuts.attach(window->windowId());
      ovri::korvane::standalone::FileDialog dialog;
      bool saving = false;
      std::printf("korvane: Ctrl+O loads a state file, Ctrl+S saves one, Ctrl+F loads the factory set\n");
      std::fflush(stdout);
      // The loop ends when the window is gone (a window manager closes a
      // window without WM_DELETE_WINDOW by disconnecting its client).
      while (!quitRequested.load() && window->view() != nullptr && window->pluginWindow() != 0) {
        loop.runFor(50);
        tick();
        using Action = ovri::korvane::standalone::WindowShortcuts::Action;
        const Action action = shortcuts.poll();
        if (action == Action::LoadFactory) {
          if (loadFactory(*instance)) std::printf("korvane: factory set loaded\n");
        } else if (action != Action::None && !dialog.isOpen()) {
          saving = action == Action::SaveState;
          dialog.open(saving, saving ? "Save the sound set" : "Load a sound set", options.state);
        }
        std::string path;
        if (dialog.finished(path) && !path.empty()) {
          if (saving ? saveState(*instance, path) : loadState(*instance, path))
            std::printf("korvane: %s %s\n", saving ? "saved to" : "loaded", path.c_str());
        }
        std::fflush(stdout);
      }
      window->detach();
      view->release();
      quitRequested.store(true);  // the window was closed
    }
  }
#endif
  while (!quitRequested.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    tick();
  }

  saveState(*instance, options.state);
  const float load = jack_cpu_load(client);
  jack_deactivate(client);
  jack_client_close(client);
  std::printf("korvane: %u xruns reported, DSP load %.1f %%; %u MIDI messages dropped; state saved to %s\n",
              engine.xruns.load(), load, midi.dropped(), options.state.c_str());
  instance->stop();
  return 0;
}

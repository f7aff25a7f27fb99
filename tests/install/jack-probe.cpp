// jack-probe: the test's own JACK client.
//   jack-probe idle SECONDS
//     stays connected for SECONDS and prints the xruns the server reported.
//   jack-probe play CLIENT SECONDS
//     connects its MIDI output to CLIENT:midi_in and CLIENT:out1_L to its
//     input, plays A4 (key 69) on channel 1 every two seconds, records, and
//     prints the xruns, the recording's peak, the pitch of the first note
//     (autocorrelation over 0.3 s to 0.8 s after it starts) and CLIENT's
//     output latency.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

jack_port_t* midiOut = nullptr;
jack_port_t* audioIn = nullptr;
std::vector<float> recording;
std::atomic<size_t> recorded{0};
std::atomic<size_t> firstNoteAt{0};
std::atomic<bool> playing{false};
std::atomic<int> xruns{0};
jack_nframes_t rate = 48000;

int onXrun(void*) {
  xruns.fetch_add(1);
  return 0;
}

int process(jack_nframes_t frames, void*) {
  if (midiOut == nullptr) return 0;
  void* out = jack_port_get_buffer(midiOut, frames);
  jack_midi_clear_buffer(out);
  const float* in = static_cast<const float*>(jack_port_get_buffer(audioIn, frames));
  size_t at = recorded.load(std::memory_order_relaxed);
  if (!playing.load()) return 0;
  if (firstNoteAt.load() == 0) firstNoteAt.store(at + 1);
  const size_t start = firstNoteAt.load() - 1;
  const size_t period = 2 * rate;
  for (jack_nframes_t i = 0; i < frames; ++i) {
    const size_t t = at + i - start;
    if (t % period == 0) {
      const unsigned char on[3] = {0x90, 69, 100};
      jack_midi_event_write(out, i, on, 3);
    } else if (t % period == period * 3 / 4) {
      const unsigned char off[3] = {0x80, 69, 0};
      jack_midi_event_write(out, i, off, 3);
    }
  }
  const size_t n = std::min<size_t>(frames, recording.size() - std::min(recording.size(), at));
  std::memcpy(recording.data() + std::min(recording.size(), at), in, n * sizeof(float));
  recorded.store(at + frames, std::memory_order_relaxed);
  return 0;
}

double pitchOf(const float* x, size_t n) {
  double best = 0.0;
  int bestLag = 0;
  const int minLag = static_cast<int>(rate / 2000), maxLag = static_cast<int>(rate / 50);
  std::vector<double> r(static_cast<size_t>(maxLag + 2), 0.0);
  for (int lag = minLag; lag <= maxLag + 1; ++lag) {
    double sum = 0.0;
    for (size_t i = 0; i + static_cast<size_t>(lag) < n; ++i) sum += x[i] * x[i + static_cast<size_t>(lag)];
    r[static_cast<size_t>(lag)] = sum;
  }
  // The first lag whose correlation comes within 10 % of the largest.
  for (int lag = minLag; lag <= maxLag; ++lag) best = std::max(best, r[static_cast<size_t>(lag)]);
  for (int lag = minLag + 1; lag <= maxLag; ++lag) {
    if (r[static_cast<size_t>(lag)] >= 0.9 * best && r[static_cast<size_t>(lag)] >= r[static_cast<size_t>(lag - 1)] &&
        r[static_cast<size_t>(lag)] >= r[static_cast<size_t>(lag + 1)]) {
      bestLag = lag;
      break;
    }
  }
  if (bestLag == 0) return 0.0;
  // Parabolic interpolation around the peak.
  const double a = r[static_cast<size_t>(bestLag - 1)], b = r[static_cast<size_t>(bestLag)],
               c = r[static_cast<size_t>(bestLag + 1)];
  const double shift = (a - 2 * b + c) != 0.0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0.0;
  return rate / (bestLag + shift);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (!((mode == "idle" && argc == 3) || (mode == "play" && argc == 4))) {
    std::fprintf(stderr, "usage: jack-probe idle SECONDS | jack-probe play CLIENT SECONDS\n");
    return 2;
  }
  const double seconds = std::atof(argv[argc - 1]);
  jack_status_t status;
  jack_client_t* client = jack_client_open("korvane-probe", JackNoStartServer, &status);
  if (client == nullptr) {
    std::fprintf(stderr, "jack-probe: no JACK server\n");
    return 1;
  }
  rate = jack_get_sample_rate(client);
  recording.assign(static_cast<size_t>((seconds + 1) * rate), 0.0f);
  jack_port_t* out = nullptr;
  if (mode == "play") {
    out = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    audioIn = jack_port_register(client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  }
  jack_set_process_callback(client, process, nullptr);
  jack_set_xrun_callback(client, onXrun, nullptr);
  if (jack_activate(client) != 0) return 1;
  std::string target;
  if (mode == "play") {
    target = argv[2];
    if (jack_connect(client, jack_port_name(out), (target + ":midi_in").c_str()) != 0 ||
        jack_connect(client, (target + ":out1_L").c_str(), jack_port_name(audioIn)) != 0) {
      std::fprintf(stderr, "jack-probe: cannot connect to %s\n", target.c_str());
      return 1;
    }
    midiOut = out;
    playing.store(true);
  }
  xruns.store(0);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  playing.store(false);
  std::printf("xruns %d\n", xruns.load());
  if (mode == "play") {
    jack_latency_range_t latency;
    jack_port_get_latency_range(jack_port_by_name(client, (target + ":out1_L").c_str()), JackPlaybackLatency, &latency);
    jack_deactivate(client);
    const size_t start = firstNoteAt.load() - 1, total = std::min(recorded.load(), recording.size());
    float peak = 0.0f;
    for (size_t i = start; i < total; ++i) peak = std::max(peak, std::fabs(recording[i]));
    const size_t from = start + static_cast<size_t>(0.3 * rate), length = static_cast<size_t>(0.5 * rate);
    const double pitch = from + length <= total ? pitchOf(recording.data() + from, length) : 0.0;
    std::printf("peak %.4f\npitch %.2f\nlatency %u frames (%.2f ms), period %u frames\n", peak, pitch, latency.max,
                1000.0 * latency.max / rate, jack_get_buffer_size(client));
  }
  jack_client_close(client);
  return 0;
}

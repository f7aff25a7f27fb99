// Fuzz target: the Standard MIDI File reader on arbitrary bytes. Beyond the
// sanitizers it checks what the renderer relies on in a file the reader
// accepts: every event time is finite, inside the song and in order, and an
// error comes with a message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/midi/MidiFile.h"

using namespace ovri::korvane::midi;

namespace {
void check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  MidiSong song;
  std::string error;
  if (!readMidiFile(bytes, length, 48000.0, song, error)) {
    check(!error.empty());
    return 0;
  }
  check(song.trackCount > 0);
  check(std::isfinite(song.endSeconds) && song.endSeconds >= 0.0 && song.endSeconds <= kDefaultMaxSongSeconds);
  double seconds = 0.0;
  int64_t sample = 0;
  int64_t tick = 0;
  for (const TimedEvent& e : song.events) {
    check(std::isfinite(e.seconds));
    check(e.tick >= tick && e.seconds >= seconds && e.sample >= sample);
    check(e.sample <= song.endSample && e.tick <= song.endTick);
    check(e.status >= 0x80 && e.data1 < 0x80 && e.data2 < 0x80);
    check(e.status != 0xF0 || (!e.sysex.empty() && e.sysex[0] == 0xF0));
    tick = e.tick;
    seconds = e.seconds;
    sample = e.sample;
  }
  return 0;
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::midi {

// One channel or system-exclusive message of a Standard MIDI File, placed
// in time. Meta events are consumed by the reader (tempo) and not listed.
struct TimedEvent {
  int64_t tick = 0;
  int64_t sample = 0;     // position at the reader's sample rate
  double seconds = 0.0;
  int32_t track = 0;
  uint8_t status = 0;     // with the channel nibble; 0xF0 for system exclusive
  uint8_t data1 = 0;
  uint8_t data2 = 0;
  std::vector<uint8_t> sysex;  // the whole message, F0 ... F7

  uint8_t kind() const { return status & 0xF0; }
  uint8_t channel() const { return status & 0x0F; }
};

struct MidiSong {
  int32_t format = 0;
  int32_t trackCount = 0;
  int32_t division = 0;            // the header's division word
  std::vector<TimedEvent> events;  // in time order; equal times keep track, then file order
  int64_t endTick = 0;             // the latest end-of-track (or last event)
  int64_t endSample = 0;
  double endSeconds = 0.0;
};

// Songs longer than this are refused unless the caller raises the limit:
// a broken tempo and delta can otherwise ask for years of audio.
constexpr double kDefaultMaxSongSeconds = 24.0 * 3600.0;

// Reads a Standard MIDI File (format 0 or 1; format 2 tracks are read as if
// played together) from memory. Tempo changes from any track form one tempo
// map (120 bpm until the first); SMPTE divisions are honoured. Running
// status (kept across meta events, as many files need), system exclusive
// continued in F7 packets and unknown chunks are handled. A file that
// cannot be read as a whole is refused: false with a message that names
// the reason and, inside a track, the track and byte offset (a truncated
// chunk or file, fewer tracks than the header declares, a data byte with
// no running status, tempo 0, an SMPTE division with 0 ticks per frame or
// an unknown frame rate, a song longer than maxSeconds). On success every
// event time is finite and the events are in time order.
bool readMidiFile(const uint8_t* data, size_t size, double sampleRate, MidiSong& song, std::string& error,
                  double maxSeconds = kDefaultMaxSongSeconds);

// Builds a Standard MIDI File. Each track is a list of events with absolute
// ticks; tracks are written in the order given, events sorted stably by
// tick, with running status.
class MidiFileWriter {
public:
  MidiFileWriter(int32_t format, int32_t ticksPerQuarter);

  int32_t addTrack();
  // Channel message (2 or 3 bytes, status with channel).
  void channelMessage(int32_t track, int64_t tick, uint8_t status, uint8_t data1, uint8_t data2 = 0);
  // bytes: the whole message, F0 ... F7.
  void systemExclusive(int32_t track, int64_t tick, const std::vector<uint8_t>& bytes);
  void tempo(int32_t track, int64_t tick, uint32_t microsecondsPerQuarter);
  void trackName(int32_t track, int64_t tick, const std::string& name);
  void endOfTrack(int32_t track, int64_t tick);

  std::vector<uint8_t> bytes() const;

private:
  struct Item {
    int64_t tick;
    std::vector<uint8_t> raw;  // status byte first (FF for meta, F0 for system exclusive)
  };
  int32_t format;
  int32_t division;
  std::vector<std::vector<Item>> tracks;
  std::vector<int64_t> endTicks;
};

}  // namespace ovri::korvane::midi

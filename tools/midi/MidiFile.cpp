#include "tools/midi/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ovri::korvane::midi {

namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 bpm

class ByteReader {
public:
  ByteReader(const uint8_t* data, size_t size) : p(data), end(data + size) {}

  bool atEnd() const { return p >= end; }
  size_t left() const { return static_cast<size_t>(end - p); }
  bool u8(uint8_t& v) {
    if (p >= end) return false;
    v = *p++;
    return true;
  }
  bool u16(uint32_t& v) {
    if (left() < 2) return false;
    v = (uint32_t(p[0]) << 8) | p[1];
    p += 2;
    return true;
  }
  bool u32(uint32_t& v) {
    if (left() < 4) return false;
    v = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    p += 4;
    return true;
  }
  // Variable-length quantity: 7 bits per byte, high bit = more; at most 4.
  bool vlq(uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b = 0;
      if (!u8(b)) return false;
      v = (v << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
  bool skip(size_t n) {
    if (left() < n) return false;
    p += n;
    return true;
  }
  const uint8_t* here() const { return p; }

private:
  const uint8_t* p;
  const uint8_t* end;
};

struct TempoChange {
  int64_t tick;
  uint32_t microsecondsPerQuarter;
};

// Data bytes that follow a channel status.
int dataLength(uint8_t status) {
  const uint8_t kind = status & 0xF0;
  return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

std::string hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

// Where a track's bytes sit in the file, for error messages.
struct TrackPlace {
  const uint8_t* fileStart;
  int32_t index;  // 0-based; messages count from 1
  std::string at(const uint8_t* p) const {
    return "track " + std::to_string(index + 1) + ", offset " + std::to_string(p - fileStart);
  }
};

// Reads one MTrk body. Channel and system-exclusive events go to events,
// tempo changes to tempi, and endTick receives the tick of the track's
// end. A track may end without an end-of-track event where its chunk ends
// between two events; bytes after the end-of-track event are ignored.
// Returns false with a message naming the offset for anything that cannot
// be parsed: an event cut off by the chunk's end, a data byte with no
// running status, a status byte that has no place in a file, tempo 0.
bool readTrack(ByteReader in, const TrackPlace& place, std::vector<TimedEvent>& events,
               std::vector<TempoChange>& tempi, int64_t& endTick, std::string& error) {
  int64_t tick = 0;
  uint8_t running = 0;
  bool sysexOpen = false;  // events[openIndex] is an F0 message still waiting for its F7
  size_t openIndex = 0;
  const uint8_t* eventStart = in.here();
  auto cut = [&]() {
    error = place.at(eventStart) + ": the track ends in the middle of an event (truncated chunk)";
    return false;
  };
  while (!in.atEnd()) {
    eventStart = in.here();
    uint32_t delta = 0;
    if (!in.vlq(delta)) {
      if (in.atEnd()) return cut();
      error = place.at(eventStart) + ": delta time longer than four bytes";
      return false;
    }
    tick += delta;
    const uint8_t* statusAt = in.here();
    uint8_t first = 0;
    if (!in.u8(first)) return cut();

    // Meta and system-exclusive events should end running status; files
    // that go on using it after them are common, and a file that follows
    // the rule never shows the difference, so running status is kept.
    if (first == 0xFF) {  // meta event
      uint8_t type = 0;
      uint32_t length = 0;
      if (!in.u8(type) || !in.vlq(length) || in.left() < length) return cut();
      const uint8_t* body = in.here();
      in.skip(length);
      if (type == 0x51 && length >= 3) {
        const uint32_t tempo = (uint32_t(body[0]) << 16) | (uint32_t(body[1]) << 8) | body[2];
        if (tempo == 0) {
          error = place.at(statusAt) + ": tempo of 0 microseconds per quarter note";
          return false;
        }
        tempi.push_back({tick, tempo});
      }
      if (type == 0x2F) {
        endTick = tick;
        return true;
      }
      continue;
    }
    if (first == 0xF0 || first == 0xF7) {  // system exclusive, or a continuation / escape packet
      uint32_t length = 0;
      if (!in.vlq(length) || in.left() < length) return cut();
      const uint8_t* body = in.here();
      in.skip(length);
      if (first == 0xF0) {
        TimedEvent e;
        e.tick = tick;
        e.track = place.index;
        e.status = 0xF0;
        e.sysex.push_back(0xF0);
        e.sysex.insert(e.sysex.end(), body, body + length);
        events.push_back(std::move(e));
        openIndex = events.size() - 1;
        sysexOpen = events.back().sysex.back() != 0xF7;
      } else if (sysexOpen) {
        std::vector<uint8_t>& message = events[openIndex].sysex;
        message.insert(message.end(), body, body + length);
        sysexOpen = message.back() != 0xF7;
      }
      // An F7 escape outside a system-exclusive message carries raw bytes
      // (real-time messages and the like) that have no place here.
      continue;
    }

    uint8_t status = first;
    uint8_t data1 = 0;
    if (first < 0x80) {  // running status: this byte is the first data byte
      if (running == 0) {
        error = place.at(statusAt) + ": data byte " + hex(first, 2) +
                " where a status byte is needed (running status with no status before it)";
        return false;
      }
      status = running;
      data1 = first;
    } else if (first >= 0xF1) {
      error = place.at(statusAt) + ": status byte " + hex(first, 2) + " has no place in a MIDI file";
      return false;
    } else {
      running = status;
      if (!in.u8(data1)) return cut();
    }
    uint8_t data2 = 0;
    if (dataLength(status) == 2 && !in.u8(data2)) return cut();
    if ((data1 | data2) & 0x80) {
      error = place.at(statusAt) + ": status byte inside the data of a " + hex(status, 2) + " message";
      return false;
    }
    TimedEvent e;
    e.tick = tick;
    e.track = place.index;
    e.status = status;
    e.data1 = data1;
    e.data2 = data2;
    events.push_back(std::move(e));
  }
  endTick = tick;
  return true;
}

}  // namespace

bool readMidiFile(const uint8_t* data, size_t size, double sampleRate, MidiSong& song, std::string& error,
                  double maxSeconds) {
  song = MidiSong{};
  ByteReader in(data, size);
  uint32_t tag = 0;
  uint32_t length = 0;
  if (!in.u32(tag) || tag != 0x4D546864 /* MThd */ || !in.u32(length)) {
    error = "not a Standard MIDI File (no MThd header)";
    return false;
  }
  if (length < 6 || in.left() < length) {
    error = length < 6 ? "header chunk of " + std::to_string(length) + " bytes (6 needed)"
                       : "the file ends inside its header chunk (truncated file)";
    return false;
  }
  uint32_t format = 0;
  uint32_t tracks = 0;
  uint32_t division = 0;
  in.u16(format);
  in.u16(tracks);
  in.u16(division);
  in.skip(length - 6);
  if (format > 2) {
    error = "unknown MIDI file format " + std::to_string(format);
    return false;
  }
  if (division == 0) {
    error = "division of 0 ticks per quarter note";
    return false;
  }
  if (division & 0x8000) {
    const int fps = 256 - static_cast<int>((division >> 8) & 0xFF);
    if (fps != 24 && fps != 25 && fps != 29 && fps != 30) {
      error = "SMPTE division with " + std::to_string(fps) + " frames per second (24, 25, 29 or 30 expected)";
      return false;
    }
    if ((division & 0xFF) == 0) {
      error = "SMPTE division with 0 ticks per frame";
      return false;
    }
  }
  if (tracks == 0) {
    error = "MIDI file without tracks";
    return false;
  }
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) {
    error = "sample rate must be positive";
    return false;
  }
  song.format = static_cast<int32_t>(format);
  song.division = static_cast<int32_t>(division);

  std::vector<TempoChange> tempi;
  int32_t trackIndex = 0;
  while (trackIndex < static_cast<int32_t>(tracks)) {
    const uint8_t* chunkStart = in.here();
    const std::string where = "offset " + std::to_string(chunkStart - data);
    if (in.atEnd()) {
      error = "the file ends after " + std::to_string(trackIndex) + " of the " + std::to_string(tracks) +
              " tracks its header declares (truncated file)";
      return false;
    }
    if (!in.u32(tag) || !in.u32(length)) {
      error = where + ": the file ends inside a chunk header (truncated file)";
      return false;
    }
    if (in.left() < length) {
      error = where + ": " + (tag == 0x4D54726B ? "track " + std::to_string(trackIndex + 1) : std::string("chunk")) +
              " declares " + std::to_string(length) + " bytes but only " + std::to_string(in.left()) +
              " remain (truncated file)";
      return false;
    }
    ByteReader body(in.here(), length);
    in.skip(length);
    if (tag != 0x4D54726B /* MTrk */) continue;  // unknown chunks are skipped
    int64_t end = 0;
    if (!readTrack(body, TrackPlace{data, trackIndex}, song.events, tempi, end, error)) return false;
    song.endTick = std::max(song.endTick, end);
    ++trackIndex;
  }
  song.trackCount = trackIndex;

  // Time order across tracks; equal ticks keep track order, then file order.
  std::stable_sort(song.events.begin(), song.events.end(), [](const TimedEvent& a, const TimedEvent& b) {
    return a.tick < b.tick || (a.tick == b.tick && a.track < b.track);
  });
  std::stable_sort(tempi.begin(), tempi.end(), [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });

  // Ticks to seconds. Metrical time walks the tempo map; SMPTE time (top
  // bit set: -frames per second, ticks per frame) is fixed, 29 meaning
  // 29.97 drop-frame.
  auto secondsAt = [&](int64_t tick, size_t& cursor, int64_t& baseTick, double& baseSeconds, uint32_t& tempo) {
    if (division & 0x8000) {
      const int fps = 256 - static_cast<int>((division >> 8) & 0xFF);
      const double framesPerSecond = fps == 29 ? 29.97 : fps;
      return static_cast<double>(tick) / (framesPerSecond * (division & 0xFF));
    }
    while (cursor < tempi.size() && tempi[cursor].tick <= tick) {
      baseSeconds += static_cast<double>(tempi[cursor].tick - baseTick) * tempo / 1e6 / division;
      baseTick = tempi[cursor].tick;
      tempo = tempi[cursor].microsecondsPerQuarter;
      ++cursor;
    }
    return baseSeconds + static_cast<double>(tick - baseTick) * tempo / 1e6 / division;
  };
  size_t cursor = 0;
  int64_t baseTick = 0;
  double baseSeconds = 0.0;
  uint32_t tempo = kDefaultTempo;
  for (TimedEvent& e : song.events) e.seconds = secondsAt(e.tick, cursor, baseTick, baseSeconds, tempo);
  if (!song.events.empty()) song.endTick = std::max(song.endTick, song.events.back().tick);
  song.endSeconds = secondsAt(song.endTick, cursor, baseTick, baseSeconds, tempo);
  // The end is the latest time of all; checking it bounds every event.
  if (!(song.endSeconds <= maxSeconds)) {
    char text[160];
    std::snprintf(text, sizeof text, "the song lasts %.6g s, longer than the limit of %.6g s", song.endSeconds,
                  maxSeconds);
    error = text;
    return false;
  }
  for (TimedEvent& e : song.events) e.sample = static_cast<int64_t>(std::llround(e.seconds * sampleRate));
  song.endSample = static_cast<int64_t>(std::llround(song.endSeconds * sampleRate));
  return true;
}

// ---------------------------------------------------------------------------

namespace {

void putVlq(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[5];
  int n = 0;
  bytes[n++] = value & 0x7F;
  while ((value >>= 7) != 0) bytes[n++] = static_cast<uint8_t>(0x80 | (value & 0x7F));
  while (n > 0) out.push_back(bytes[--n]);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

}  // namespace

MidiFileWriter::MidiFileWriter(int32_t formatIn, int32_t ticksPerQuarter)
    : format(formatIn), division(ticksPerQuarter) {}

int32_t MidiFileWriter::addTrack() {
  tracks.emplace_back();
  endTicks.push_back(-1);
  return static_cast<int32_t>(tracks.size()) - 1;
}

void MidiFileWriter::channelMessage(int32_t track, int64_t tick, uint8_t status, uint8_t data1, uint8_t data2) {
  Item item{tick, {status, static_cast<uint8_t>(data1 & 0x7F)}};
  if (dataLength(status) == 2) item.raw.push_back(data2 & 0x7F);
  tracks[static_cast<size_t>(track)].push_back(std::move(item));
}

void MidiFileWriter::systemExclusive(int32_t track, int64_t tick, const std::vector<uint8_t>& bytes) {
  Item item{tick, {0xF0}};
  const size_t body = bytes.empty() ? 0 : bytes.size() - 1;  // without the leading F0
  putVlq(item.raw, static_cast<uint32_t>(body));
  if (body > 0) item.raw.insert(item.raw.end(), bytes.begin() + 1, bytes.end());
  tracks[static_cast<size_t>(track)].push_back(std::move(item));
}

void MidiFileWriter::tempo(int32_t track, int64_t tick, uint32_t microsecondsPerQuarter) {
  tracks[static_cast<size_t>(track)].push_back(
      {tick,
       {0xFF, 0x51, 0x03, static_cast<uint8_t>(microsecondsPerQuarter >> 16),
        static_cast<uint8_t>(microsecondsPerQuarter >> 8), static_cast<uint8_t>(microsecondsPerQuarter)}});
}

void MidiFileWriter::trackName(int32_t track, int64_t tick, const std::string& name) {
  Item item{tick, {0xFF, 0x03}};
  putVlq(item.raw, static_cast<uint32_t>(name.size()));
  item.raw.insert(item.raw.end(), name.begin(), name.end());
  tracks[static_cast<size_t>(track)].push_back(std::move(item));
}

void MidiFileWriter::endOfTrack(int32_t track, int64_t tick) { endTicks[static_cast<size_t>(track)] = tick; }

std::vector<uint8_t> MidiFileWriter::bytes() const {
  std::vector<uint8_t> out;
  put32(out, 0x4D546864);  // MThd
  put32(out, 6);
  put16(out, static_cast<uint32_t>(format));
  put16(out, static_cast<uint32_t>(tracks.size()));
  put16(out, static_cast<uint32_t>(division));
  for (size_t t = 0; t < tracks.size(); ++t) {
    std::vector<Item> items = tracks[t];
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.tick < b.tick; });
    std::vector<uint8_t> body;
    int64_t now = 0;
    uint8_t running = 0;
    for (const Item& item : items) {
      putVlq(body, static_cast<uint32_t>(item.tick - now));
      now = item.tick;
      const uint8_t status = item.raw[0];
      if (status < 0xF0) {
        if (status != running) body.push_back(status);
        running = status;
        body.insert(body.end(), item.raw.begin() + 1, item.raw.end());
      } else {
        running = 0;  // meta and system-exclusive events end running status
        body.insert(body.end(), item.raw.begin(), item.raw.end());
      }
    }
    const int64_t end = std::max(endTicks[t], now);
    putVlq(body, static_cast<uint32_t>(end - now));
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    put32(out, 0x4D54726B);  // MTrk
    put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
  }
  return out;
}

}  // namespace ovri::korvane::midi

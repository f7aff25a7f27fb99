#include "tools/midi/MidiFile.h"

#include <algorithm>
#include <cmath>

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

// Reads one MTrk body. Channel and system-exclusive events go to events,
// tempo changes to tempi. Returns the tick of the track's end.
int64_t readTrack(ByteReader in, int32_t track, std::vector<TimedEvent>& events, std::vector<TempoChange>& tempi) {
  int64_t tick = 0;
  uint8_t running = 0;
  bool sysexOpen = false;  // events[openIndex] is an F0 message still waiting for its F7
  size_t openIndex = 0;
  while (!in.atEnd()) {
    uint32_t delta = 0;
    if (!in.vlq(delta)) break;
    tick += delta;
    uint8_t first = 0;
    if (!in.u8(first)) break;

    // Meta and system-exclusive events should end running status; files
    // that go on using it after them are common, and a file that follows
    // the rule never shows the difference, so running status is kept.
    if (first == 0xFF) {  // meta event
      uint8_t type = 0;
      uint32_t length = 0;
      if (!in.u8(type) || !in.vlq(length) || in.left() < length) break;
      const uint8_t* body = in.here();
      in.skip(length);
      if (type == 0x51 && length >= 3)
        tempi.push_back({tick, (uint32_t(body[0]) << 16) | (uint32_t(body[1]) << 8) | body[2]});
      if (type == 0x2F) return tick;
      continue;
    }
    if (first == 0xF0 || first == 0xF7) {  // system exclusive, or a continuation / escape packet
      uint32_t length = 0;
      if (!in.vlq(length) || in.left() < length) break;
      const uint8_t* body = in.here();
      in.skip(length);
      if (first == 0xF0) {
        TimedEvent e;
        e.tick = tick;
        e.track = track;
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
      if (running == 0) break;  // a data byte with no status: the rest cannot be parsed
      status = running;
      data1 = first;
    } else if (first >= 0xF1) {
      continue;  // system common / real-time bytes do not belong in a file; skip the status
    } else {
      running = status;
      if (!in.u8(data1)) break;
    }
    uint8_t data2 = 0;
    if (dataLength(status) == 2 && !in.u8(data2)) break;
    TimedEvent e;
    e.tick = tick;
    e.track = track;
    e.status = status;
    e.data1 = data1 & 0x7F;
    e.data2 = data2 & 0x7F;
    events.push_back(std::move(e));
  }
  return tick;
}

}  // namespace

bool readMidiFile(const uint8_t* data, size_t size, double sampleRate, MidiSong& song, std::string& error) {
  song = MidiSong{};
  ByteReader in(data, size);
  uint32_t tag = 0;
  uint32_t length = 0;
  if (!in.u32(tag) || tag != 0x4D546864 /* MThd */ || !in.u32(length) || length < 6) {
    error = "not a Standard MIDI File (no MThd header)";
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
    error = "MIDI file with a division of 0";
    return false;
  }
  if (!(sampleRate > 0.0)) {
    error = "sample rate must be positive";
    return false;
  }
  song.format = static_cast<int32_t>(format);
  song.division = static_cast<int32_t>(division);

  std::vector<TempoChange> tempi;
  int32_t trackIndex = 0;
  while (!in.atEnd() && trackIndex < static_cast<int32_t>(tracks)) {
    if (!in.u32(tag) || !in.u32(length)) break;
    const size_t available = std::min<size_t>(length, in.left());
    ByteReader body(in.here(), available);
    in.skip(available);
    if (tag != 0x4D54726B /* MTrk */) continue;  // unknown chunks are skipped
    const int64_t end = readTrack(body, trackIndex, song.events, tempi);
    song.endTick = std::max(song.endTick, end);
    ++trackIndex;
  }
  song.trackCount = trackIndex;
  if (trackIndex == 0) {
    error = "MIDI file without tracks";
    return false;
  }

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
  for (TimedEvent& e : song.events) {
    e.seconds = secondsAt(e.tick, cursor, baseTick, baseSeconds, tempo);
    e.sample = static_cast<int64_t>(std::llround(e.seconds * sampleRate));
  }
  if (!song.events.empty()) song.endTick = std::max(song.endTick, song.events.back().tick);
  song.endSeconds = secondsAt(song.endTick, cursor, baseTick, baseSeconds, tempo);
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

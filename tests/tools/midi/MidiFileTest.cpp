// The Standard MIDI File reader, fed bytes directly, and the writer the demo
// song is made with, checked through the reader.
#include "tools/midi/MidiFile.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using ovri::korvane::midi::MidiFileWriter;
using ovri::korvane::midi::MidiSong;
using ovri::korvane::midi::readMidiFile;

using Bytes = std::vector<uint8_t>;

Bytes header(uint16_t format, uint16_t tracks, uint16_t division) {
  return {'M', 'T', 'h', 'd', 0, 0, 0, 6, uint8_t(format >> 8), uint8_t(format), uint8_t(tracks >> 8), uint8_t(tracks),
          uint8_t(division >> 8), uint8_t(division)};
}

Bytes track(std::initializer_list<uint8_t> body) {
  Bytes out = {'M', 'T', 'r', 'k', 0, 0, uint8_t(body.size() >> 8), uint8_t(body.size())};
  for (uint8_t b : body) out.push_back(b);
  return out;
}

Bytes file(const Bytes& head, std::initializer_list<Bytes> tracks) {
  Bytes out = head;
  for (const Bytes& t : tracks) out.insert(out.end(), t.begin(), t.end());
  return out;
}

MidiSong read(const Bytes& bytes, double rate = 1000.0) {
  MidiSong song;
  std::string error;
  EXPECT_TRUE(readMidiFile(bytes.data(), bytes.size(), rate, song, error)) << error;
  return song;
}

TEST(MidiFileReader, RunningStatusRepeatsTheLastChannelStatus) {
  // 96 ticks per quarter at the default 120 bpm: one tick = 1/192 s.
  const MidiSong song = read(file(header(0, 1, 96), {track({0x00, 0x91, 60, 100,   // note on, channel 1
                                                             0x60, 62, 90,          // running status, 96 ticks later
                                                             0x00, 0xC1, 5,         // program change: one data byte
                                                             0x00, 7,               // running status with one byte
                                                             0x00, 0xFF, 0x2F, 0x00})}),
                             192.0);
  ASSERT_EQ(song.events.size(), 4u);
  EXPECT_EQ(song.events[0].status, 0x91);
  EXPECT_EQ(song.events[1].status, 0x91);
  EXPECT_EQ(song.events[1].data1, 62);
  EXPECT_EQ(song.events[1].data2, 90);
  EXPECT_EQ(song.events[1].tick, 96);
  EXPECT_EQ(song.events[1].sample, 96);
  EXPECT_EQ(song.events[3].status, 0xC1);
  EXPECT_EQ(song.events[3].data1, 7);
}

TEST(MidiFileReader, TempoOfTheFirstTrackTimesEveryTrack) {
  // Division 100. Track 0: 120 bpm, then 60 bpm from tick 100.
  const Bytes conductor = track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,   // 500000 us
                                 0x64, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,   // tick 100: 1000000 us
                                 0x00, 0xFF, 0x2F, 0x00});
  const Bytes notes = track({0x81, 0x48, 0x90, 60, 100,  // tick 200
                             0x00, 0xFF, 0x2F, 0x00});
  const MidiSong song = read(file(header(1, 2, 100), {conductor, notes}), 1000.0);
  ASSERT_EQ(song.events.size(), 1u);
  EXPECT_EQ(song.events[0].track, 1);
  EXPECT_EQ(song.events[0].tick, 200);
  // 100 ticks at 0.5 s per quarter + 100 ticks at 1 s per quarter = 1.5 s.
  EXPECT_DOUBLE_EQ(song.events[0].seconds, 1.5);
  EXPECT_EQ(song.events[0].sample, 1500);
}

TEST(MidiFileReader, MergesTracksInTimeOrderKeepingTrackOrderOnTies) {
  const Bytes a = track({0x0A, 0x90, 60, 1, 0x0A, 0x90, 61, 1, 0x00, 0xFF, 0x2F, 0x00});  // ticks 10, 20
  const Bytes b = track({0x05, 0x91, 70, 1, 0x0F, 0x91, 71, 1, 0x00, 0xFF, 0x2F, 0x00});  // ticks 5, 20
  const MidiSong song = read(file(header(1, 2, 96), {a, b}));
  ASSERT_EQ(song.events.size(), 4u);
  EXPECT_EQ(song.events[0].data1, 70);
  EXPECT_EQ(song.events[1].data1, 60);
  EXPECT_EQ(song.events[2].data1, 61);
  EXPECT_EQ(song.events[3].data1, 71);
}

TEST(MidiFileReader, SystemExclusiveKeepsTheWholeMessageAndJoinsContinuations) {
  const MidiSong song = read(file(header(0, 1, 96),
                                  {track({0x00, 0xF0, 0x04, 0x7D, 0x10, 0x22, 0xF7,  // complete
                                          0x00, 0xF0, 0x02, 0x7D, 0x01,              // continued ...
                                          0x10, 0xF7, 0x02, 0x02, 0xF7,              // ... and finished
                                          0x00, 0xF7, 0x01, 0xFA,                    // escape: ignored
                                          0x00, 0xFF, 0x2F, 0x00})}));
  ASSERT_EQ(song.events.size(), 2u);
  EXPECT_EQ(song.events[0].sysex, (Bytes{0xF0, 0x7D, 0x10, 0x22, 0xF7}));
  EXPECT_EQ(song.events[1].sysex, (Bytes{0xF0, 0x7D, 0x01, 0x02, 0xF7}));
  EXPECT_EQ(song.events[1].tick, 0);
}

TEST(MidiFileReader, RunningStatusOutlivesMetaEvents) {
  // Many files go on with running status after a meta event.
  const MidiSong song = read(file(header(1, 1, 96), {track({0x00, 0x90, 60, 100,
                                                             0x00, 0xFF, 0x01, 0x01, 'x',
                                                             0x00, 61, 100,
                                                             0x00, 0xFF, 0x2F, 0x00})}));
  ASSERT_EQ(song.events.size(), 2u);
  EXPECT_EQ(song.events[1].status, 0x90);
  EXPECT_EQ(song.events[1].data1, 61);
}

TEST(MidiFileReader, SmpteDivisionCountsFramesAndTicks) {
  // -25 frames per second, 40 ticks per frame: one tick = 1 ms.
  const MidiSong song = read(file(header(0, 1, 0xE728), {track({0x83, 0x60, 0x90, 60, 1, 0x00, 0xFF, 0x2F, 0x00})}),
                             48000.0);
  ASSERT_EQ(song.events.size(), 1u);
  EXPECT_EQ(song.events[0].tick, 480);
  EXPECT_EQ(song.events[0].sample, 480 * 48);
}

TEST(MidiFileReader, UnknownChunksAreSkipped) {
  Bytes bytes = header(0, 1, 96);
  const Bytes junk = {'J', 'U', 'N', 'K', 0, 0, 0, 2, 1, 2};
  bytes.insert(bytes.end(), junk.begin(), junk.end());
  const Bytes notes = track({0x00, 0x90, 60, 100, 0x10, 0x80, 60, 0});  // no end-of-track event: ends with its chunk
  bytes.insert(bytes.end(), notes.begin(), notes.end());
  const MidiSong song = read(bytes);
  ASSERT_EQ(song.events.size(), 2u);
  EXPECT_EQ(song.events[1].status, 0x80);
}

TEST(MidiFileReader, RejectsWhatIsNoMidiFile) {
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"RIFF header", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}},
      {"short header", {'M', 'T', 'h', 'd', 0, 0, 0, 4, 0, 0, 0, 1}},
      {"format 3", header(3, 1, 96)},
      {"division 0", file(header(0, 1, 0), {track({0x00, 0xFF, 0x2F, 0x00})})},
      {"no track", header(0, 1, 96)},
  };
  for (const Case& c : cases) {
    MidiSong song;
    std::string error;
    EXPECT_FALSE(readMidiFile(c.bytes.data(), c.bytes.size(), 44100.0, song, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

// Each malformed file is refused with a message that names its reason
// (and, inside a track, the byte offset).
TEST(MidiFileReader, RefusesMalformedFilesNamingTheReason) {
  struct Case {
    const char* what;
    Bytes bytes;
    const char* reason;  // part of the message
  };
  Bytes cutFile = file(header(0, 1, 96), {track({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00})});
  cutFile.resize(cutFile.size() - 5);
  const Case cases[] = {
      {"empty", {}, "not a Standard MIDI File"},
      {"RIFF header", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, "not a Standard MIDI File"},
      {"short header", {'M', 'T', 'h', 'd', 0, 0, 0, 4, 0, 0, 0, 1}, "header chunk of 4 bytes"},
      {"header cut", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0}, "ends inside its header"},
      {"format 3", header(3, 1, 96), "format 3"},
      {"division 0", file(header(0, 1, 0), {track({0x00, 0xFF, 0x2F, 0x00})}), "division of 0"},
      {"SMPTE 0 ticks per frame", file(header(0, 1, 0xE700), {track({0x00, 0xFF, 0x2F, 0x00})}), "0 ticks per frame"},
      {"SMPTE 23 frames", file(header(0, 1, 0xE928), {track({0x00, 0xFF, 0x2F, 0x00})}), "23 frames per second"},
      {"no track", header(0, 1, 96), "ends after 0 of the 1 tracks"},
      {"fewer tracks than declared", file(header(1, 3, 96), {track({0x00, 0xFF, 0x2F, 0x00})}), "after 1 of the 3"},
      {"track past the end", cutFile, "track 1 declares 12 bytes but only 7 remain"},
      {"chunk header cut", [] {
         Bytes b = file(header(0, 2, 96), {track({0x00, 0xFF, 0x2F, 0x00})});
         b.insert(b.end(), {'M', 'T', 'r'});
         return b;
       }(), "offset 26: the file ends inside a chunk header"},
      {"event cut by its chunk", file(header(0, 1, 96), {track({0x00, 0x90, 60, 100, 0x10, 0x80, 60})}),
       "track 1, offset 26: the track ends in the middle of an event"},
      {"meta event past its chunk", file(header(0, 1, 96), {track({0x00, 0xFF, 0x03, 0x10, 'a'})}), "middle of an event"},
      {"running status with no status", file(header(0, 1, 96), {track({0x00, 62, 100, 0x00, 0xFF, 0x2F, 0x00})}),
       "track 1, offset 23: data byte 0x3E where a status byte is needed"},
      {"running status in a second track",
       file(header(1, 2, 96), {track({0x00, 0x90, 60, 100, 0x00, 0xFF, 0x2F, 0x00}), track({0x05, 61, 100})}),
       "track 2, offset 39: data byte 0x3D"},
      {"system common status", file(header(0, 1, 96), {track({0x00, 0xF2, 1, 2, 0x00, 0xFF, 0x2F, 0x00})}),
       "offset 23: status byte 0xF2"},
      {"status inside data", file(header(0, 1, 96), {track({0x00, 0x90, 60, 0x80, 0x00, 0xFF, 0x2F, 0x00})}),
       "status byte inside the data"},
      {"tempo 0", file(header(0, 1, 96), {track({0x00, 0xFF, 0x51, 0x03, 0, 0, 0, 0x00, 0xFF, 0x2F, 0x00})}),
       "offset 23: tempo of 0"},
      {"five-byte delta", file(header(0, 1, 96), {track({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1})}),
       "delta time longer than four bytes"},
      // Tempo FFFFFF (16.8 s per quarter), division 1, the longest delta:
      // 4.5e9 s.
      {"song far too long",
       file(header(0, 1, 1), {track({0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1})}),
       "longer than the limit of 86400 s"},
  };
  for (const Case& c : cases) {
    MidiSong song;
    std::string error;
    EXPECT_FALSE(readMidiFile(c.bytes.data(), c.bytes.size(), 44100.0, song, error)) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
  }
}

TEST(MidiFileReader, TheLengthLimitCanBeRaised) {
  // 300 quarters of 16.8 s: 5033 s, past a limit of one hour.
  const Bytes bytes = file(header(0, 1, 1), {track({0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF, 0x82, 0x2C, 0x90, 60, 1})});
  MidiSong song;
  std::string error;
  EXPECT_FALSE(readMidiFile(bytes.data(), bytes.size(), 1000.0, song, error, 3600.0));
  ASSERT_TRUE(readMidiFile(bytes.data(), bytes.size(), 1000.0, song, error, 7200.0)) << error;
  EXPECT_NEAR(song.events[0].seconds, 300 * 16.777215, 1e-6);
}

TEST(MidiFileWriter, WritesWhatTheReaderReadsBack) {
  MidiFileWriter writer(1, 480);
  const int32_t conductor = writer.addTrack();
  writer.tempo(conductor, 0, 600000);
  writer.trackName(conductor, 0, "song");
  const int32_t t = writer.addTrack();
  writer.channelMessage(t, 960, 0x82, 60, 0);    // written out of order: sorted by tick
  writer.channelMessage(t, 0, 0x92, 60, 100);
  writer.channelMessage(t, 480, 0x92, 64, 90);   // running status
  writer.channelMessage(t, 480, 0xC2, 17);
  writer.channelMessage(t, 500, 0xE2, 0x00, 0x40);
  writer.systemExclusive(t, 600, {0xF0, 0x7D, 0x10, 0x22, 0x02, 0x09, 0x01, 0x02, 0xF7});
  writer.endOfTrack(t, 1920);
  const Bytes bytes = writer.bytes();

  const MidiSong song = read(bytes, 48000.0);
  EXPECT_EQ(song.format, 1);
  EXPECT_EQ(song.trackCount, 2);
  EXPECT_EQ(song.division, 480);
  ASSERT_EQ(song.events.size(), 6u);
  EXPECT_EQ(song.events[0].status, 0x92);
  EXPECT_EQ(song.events[1].data1, 64);
  EXPECT_EQ(song.events[1].sample, 28800);  // one quarter at 0.6 s
  EXPECT_EQ(song.events[2].status, 0xC2);
  EXPECT_EQ(song.events[2].data1, 17);
  EXPECT_EQ(song.events[3].status, 0xE2);
  EXPECT_EQ(song.events[3].data2, 0x40);
  EXPECT_EQ(song.events[4].sysex, (Bytes{0xF0, 0x7D, 0x10, 0x22, 0x02, 0x09, 0x01, 0x02, 0xF7}));
  EXPECT_EQ(song.events[5].status, 0x82);
  EXPECT_EQ(song.endTick, 1920);
  EXPECT_DOUBLE_EQ(song.endSeconds, 2.4);
}

}  // namespace

// korvane-render run as a command on real MIDI files: refusals of
// malformed files, the output file's format and level report, and the
// General MIDI layout of the drum channel.
#include "tests/tools/render/RenderCommandFixture.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace ovri::korvane::test;

TEST_F(RenderCommand, RefusesMalformedFilesWithTheirReasonAndWritesNothing) {
  struct Case {
    const char* file;
    const char* reason;
  };
  const Case cases[] = {
      {"truncated.mid", "track 2 declares 67 bytes but only 51 remain (truncated file)"},
      {"endless.mid", "longer than the limit of 86400 s (--max-hours raises the limit)"},
      {"smpte-zero-ticks.mid", "SMPTE division with 0 ticks per frame"},
      {"tempo-zero.mid", "track 1, offset 23: tempo of 0"},
      {"running-status.mid", "track 1, offset 23: data byte 0x3C where a status byte is needed"},
  };
  for (const Case& c : cases) {
    const std::string output = file(std::string(c.file) + ".wav");
    const CommandResult run = render("\"" + fixture(c.file) + "\" \"" + output + "\"");
    EXPECT_EQ(run.status, 1) << c.file;
    EXPECT_NE(run.err.find(fixture(c.file) + ": "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(output)) << c.file;
    EXPECT_FALSE(fs::exists(output + ".partial")) << c.file;
  }
}

TEST_F(RenderCommand, WritesFloatOr24BitThatSoxReadsWithoutWarning) {
  struct Case {
    const char* option;
    int format;
  };
  const Case cases[] = {{"", SF_FORMAT_WAV | SF_FORMAT_FLOAT}, {"--pcm24", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24}};
  for (const Case& c : cases) {
    const std::string output = file("song.wav");
    const CommandResult run = render(std::string(c.option) + " \"" + fixture("song.mid") + "\" \"" + output + "\"");
    ASSERT_EQ(run.status, 0) << run.err;
    Audio audio;
    ASSERT_TRUE(readWav(output, audio));
    EXPECT_EQ(audio.info.format, c.format) << c.option;
    EXPECT_EQ(audio.info.channels, 2);
    EXPECT_GT(audio.peak(), 0.01f) << c.option;
    EXPECT_FALSE(fs::exists(output + ".partial"));
    if (std::string(KORVANE_SOX).empty()) continue;
    const std::string soxErr = file("sox.txt");
    ASSERT_EQ(std::system(("\"" KORVANE_SOX "\" \"" + output + "\" -n stat 2> \"" + soxErr + "\"").c_str()), 0);
    const std::string said = slurp(soxErr);
    EXPECT_EQ(said.find("WARN"), std::string::npos) << c.option << ": " << said;
  }
}

TEST_F(RenderCommand, ReportsPeakAndClippingAndNormalizes) {
  const std::string output = file("song.wav");
  CommandResult run = render("--gain 40 \"" + fixture("song.mid") + "\" \"" + output + "\"");
  ASSERT_EQ(run.status, 0) << run.err;
  Audio loud;
  ASSERT_TRUE(readWav(output, loud));
  long long clipped = 0;
  for (float v : loud.samples) clipped += std::fabs(v) >= 1.0f;
  ASSERT_GT(clipped, 0);
  EXPECT_NE(run.out.find(output + ": peak "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(", " + std::to_string(clipped) + " samples at or above full scale"), std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("warning: " + output + " CLIPS"), std::string::npos) << run.err;

  run = render("--gain 40 --normalize \"" + fixture("song.mid") + "\" \"" + output + "\"");
  EXPECT_EQ(run.status, 2) << "--gain and --normalize together are refused";
  run = render("--normalize \"" + fixture("song.mid") + "\" \"" + output + "\"");
  ASSERT_EQ(run.status, 0) << run.err;
  Audio normal;
  ASSERT_TRUE(readWav(output, normal));
  EXPECT_NEAR(20.0 * std::log10(normal.peak()), -1.0, 0.01);
  EXPECT_NE(run.out.find("peak -1.00 dBFS, 0 samples at or above full scale"), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find("CLIPS"), std::string::npos) << run.err;
}

// The instrument's own message that sets a part's mode (needs system
// exclusive reception on).
std::vector<uint8_t> partModeMessage(uint8_t channel, uint8_t mode) {
  return {0xF0, 0x7D, 0x10, 0x22, 0x02, channel, 0x01, mode, 0xF7};
}

constexpr int32_t kQuarter = 480;  // ticks; 0.5 s at the default tempo

// Bass drum, snare and closed hi-hat on channel 10 for two beats from tick.
void drumBeats(MidiFileWriter& w, int32_t track, int64_t tick) {
  for (int beat = 0; beat < 2; ++beat) {
    for (uint8_t key : {36, 38, 42}) {
      w.channelMessage(track, tick + beat * kQuarter, 0x99, key, 100);
      w.channelMessage(track, tick + beat * kQuarter + kQuarter / 2, 0x89, key, 0);
    }
  }
}

TEST_F(RenderCommand, ChannelTenPlaysPercussionUnlessTheLayoutIsOff) {
  // The same drum notes, once relying on the layout and once with part 10
  // put into Percussion mode by the song itself.
  MidiFileWriter plain(0, kQuarter);
  drumBeats(plain, plain.addTrack(), kQuarter);
  MidiFileWriter explicitMode(0, kQuarter);
  const int32_t t = explicitMode.addTrack();
  explicitMode.systemExclusive(t, 0, partModeMessage(9, 2));
  drumBeats(explicitMode, t, kQuarter);

  const CommandResult gm = render("\"" + write("plain.mid", plain) + "\" \"" + file("gm.wav") + "\"");
  ASSERT_EQ(gm.status, 0) << gm.err;
  EXPECT_NE(gm.out.find("drum channels: 10 (General MIDI layout)"), std::string::npos) << gm.out;
  const CommandResult reference = render("--no-gm --receive-sysex \"" + write("explicit.mid", explicitMode) + "\" \"" +
                               file("reference.wav") + "\"");
  ASSERT_EQ(reference.status, 0) << reference.err;
  const CommandResult off = render("--no-gm \"" + file("plain.mid") + "\" \"" + file("off.wav") + "\"");
  ASSERT_EQ(off.status, 0) << off.err;
  EXPECT_NE(off.out.find("drum channels: none"), std::string::npos) << off.out;

  EXPECT_TRUE(sameAudio(file("gm.wav"), file("reference.wav"))) << "channel 10 does not play the drum kit";
  EXPECT_FALSE(sameAudio(file("off.wav"), file("reference.wav"))) << "--no-gm still plays the drum kit";

  // Other drum channels on request: channel 10 is then an instrument.
  const CommandResult moved = render("--drums 11,16 \"" + file("plain.mid") + "\" \"" + file("moved.wav") + "\"");
  ASSERT_EQ(moved.status, 0) << moved.err;
  EXPECT_NE(moved.out.find("drum channels: 11, 16"), std::string::npos) << moved.out;
  EXPECT_TRUE(sameAudio(file("moved.wav"), file("off.wav")));
  EXPECT_EQ(render("--drums 17 \"" + file("plain.mid") + "\" \"" + file("x.wav") + "\"").status, 2);
}

TEST_F(RenderCommand, AResetMessageMidSongBringsTheLayoutBack) {
  // The song makes part 10 an instrument, plays, then sends a reset: the
  // drum notes after it must play the kit, exactly as if the song had
  // switched part 10 to Percussion itself at that tick.
  const std::vector<std::vector<uint8_t>> resets = {
      {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},                                // GM system on
      {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},  // GS reset
      {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},              // XG system on
  };
  MidiFileWriter reference(0, kQuarter);
  const int32_t r = reference.addTrack();
  reference.systemExclusive(r, 0, partModeMessage(9, 1));
  drumBeats(reference, r, 0);
  reference.systemExclusive(r, 3 * kQuarter, partModeMessage(9, 2));
  drumBeats(reference, r, 3 * kQuarter);
  const CommandResult expected =
      render("--no-gm --receive-sysex \"" + write("reference.mid", reference) + "\" \"" + file("reference.wav") + "\"");
  ASSERT_EQ(expected.status, 0) << expected.err;

  for (size_t i = 0; i < resets.size(); ++i) {
    MidiFileWriter song(0, kQuarter);
    const int32_t t = song.addTrack();
    song.systemExclusive(t, 0, partModeMessage(9, 1));
    drumBeats(song, t, 0);
    song.systemExclusive(t, 3 * kQuarter, resets[i]);
    drumBeats(song, t, 3 * kQuarter);
    const std::string path = write("reset.mid", song);
    const CommandResult run = render("--receive-sysex \"" + path + "\" \"" + file("reset.wav") + "\"");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("re-applied by 1 reset message(s)"), std::string::npos) << run.out;
    EXPECT_TRUE(sameAudio(file("reset.wav"), file("reference.wav"))) << "reset " << i;
  }
}

TEST_F(RenderCommand, ControllersRepeatedOnOneSampleAllArriveInOrder) {
  // Part volume changed four times on the sample of the note-on: only the
  // last value may hold, whatever the block size.
  for (const uint8_t last : {uint8_t{0}, uint8_t{127}}) {
    MidiFileWriter song(0, kQuarter);
    const int32_t t = song.addTrack();
    for (uint8_t v : {uint8_t{127}, uint8_t{0}, uint8_t{127}, last}) song.channelMessage(t, kQuarter, 0xB0, 7, v);
    song.channelMessage(t, kQuarter, 0x90, 60, 100);
    song.channelMessage(t, 2 * kQuarter, 0x80, 60, 0);
    const std::string path = write("repeat.mid", song);
    for (const char* block : {"512", "1"}) {
      const CommandResult run = render(std::string("--block ") + block + " \"" + path + "\" \"" + file("r.wav") + "\"");
      ASSERT_EQ(run.status, 0) << run.err;
      Audio audio;
      ASSERT_TRUE(readWav(file("r.wav"), audio));
      if (last == 0) {
        EXPECT_LT(audio.peak(), 1e-4f) << "block " << block;  // volume 0 is -84 dB, not silence
      } else {
        EXPECT_GT(audio.peak(), 0.01f) << "block " << block;
      }
    }
  }
}

}  // namespace

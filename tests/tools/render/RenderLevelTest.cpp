// The level korvane-render writes at, the formats and files it writes,
// batches, and the sustain pedal it switches on for General MIDI songs:
// normalised renders meet -16 LUFS and -1 dBTP (measured here with
// libebur128), raw renders are the plug-in's own samples, and the
// normalised file is the raw render times the gain it reports.
#include "tests/tools/render/RenderCommandFixture.h"

#include <ebur128.h>

#include <cstdlib>

namespace {

using namespace ovri::korvane::test;
using ovri::korvane::midi::MidiFileWriter;

constexpr int32_t kQuarter = 480;  // ticks; 0.5 s at the default tempo

struct Loudness {
  double integrated = 0.0;
  double truePeakDb = 0.0;
};

Loudness measure(const Audio& audio) {
  ebur128_state* state = ebur128_init(static_cast<unsigned>(audio.info.channels),
                                      static_cast<unsigned long>(audio.info.samplerate),
                                      EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
  ebur128_add_frames_float(state, audio.samples.data(), static_cast<size_t>(audio.info.frames));
  Loudness result;
  ebur128_loudness_global(state, &result.integrated);
  double peak = 0.0;
  for (unsigned c = 0; c < static_cast<unsigned>(audio.info.channels); ++c) {
    double p = 0.0;
    ebur128_true_peak(state, c, &p);
    peak = std::max(peak, p);
  }
  result.truePeakDb = 20.0 * std::log10(peak);
  ebur128_destroy(&state);
  return result;
}

// The gain the report gives ("gain: +4.34 dB ...").
double reportedGain(const std::string& out) {
  const size_t at = out.find("gain: ");
  return at == std::string::npos ? NAN : std::atof(out.c_str() + at + 6);
}

// Sixteen parts at full volume: chords on fifteen, a kit on channel 10.
MidiFileWriter denseSong() {
  MidiFileWriter song(0, kQuarter);
  const int32_t t = song.addTrack();
  for (uint8_t channel = 0; channel < 16; ++channel) {
    song.channelMessage(t, 0, 0xB0 | channel, 7, 127);
    if (channel != 9) song.channelMessage(t, 0, 0xC0 | channel, static_cast<uint8_t>(channel * 8));
  }
  for (int beat = 0; beat < 32; ++beat) {
    const int64_t tick = beat * kQuarter / 2;
    for (uint8_t channel = 0; channel < 16; ++channel) {
      const uint8_t status = static_cast<uint8_t>(0x90 | channel);
      const uint8_t keys[3] = {static_cast<uint8_t>(48 + (beat * 5 + channel) % 24), 64, 67};
      for (uint8_t key : keys) {
        const uint8_t drumKey = static_cast<uint8_t>(beat % 2 ? 38 : 36);
        song.channelMessage(t, tick, status, channel == 9 ? drumKey : key, 127);
        song.channelMessage(t, tick + kQuarter / 2 - 10, static_cast<uint8_t>(0x80 | channel), channel == 9 ? drumKey : key, 0);
        if (channel == 9) break;
      }
    }
  }
  return song;
}

TEST_F(RenderCommand, NormalisedRendersMeetTheLoudnessAndTruePeakAndAreTheRawRenderTimesTheGain) {
  struct Case {
    const char* name;
    std::string song;
    const char* options;
  };
  const std::vector<Case> cases = {
      {"demo", KORVANE_DEMO_SONG, "--receive-sysex"},
      {"dense", write("dense.mid", denseSong()), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string normal = file(std::string(c.name) + ".wav");
    const std::string raw = file(std::string(c.name) + "-raw.wav");
    const CommandResult run = render(std::string(c.options) + " \"" + c.song + "\" \"" + normal + "\"");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(render(std::string(c.options) + " --no-normalize \"" + c.song + "\" \"" + raw + "\"").status, 0);
    Audio a;
    Audio r;
    ASSERT_TRUE(readWav(normal, a));
    ASSERT_TRUE(readWav(raw, r));
    const Loudness level = measure(a);
    EXPECT_NEAR(level.integrated, -16.0, 0.5) << run.out;
    EXPECT_LE(level.truePeakDb, -1.0) << run.out;
    EXPECT_NE(run.out.find("LUFS integrated, range "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" dBTP"), std::string::npos) << run.out;
    // The normalised file is the raw one times the reported gain (to the
    // report's rounding), sample for sample.
    const double gain = std::pow(10.0, reportedGain(run.out) / 20.0);
    ASSERT_EQ(a.samples.size(), r.samples.size());
    double worst = 0.0;
    for (size_t i = 0; i < a.samples.size(); ++i) worst = std::max(worst, std::fabs(a.samples[i] - r.samples[i] * gain));
    EXPECT_LT(worst, 1e-3) << "normalising is more than a gain";
    // --gain 0 is the raw level too.
    ASSERT_EQ(render(std::string(c.options) + " --gain 0 \"" + c.song + "\" \"" + normal + "\"").status, 0);
    EXPECT_TRUE(sameAudio(normal, raw));
  }
}

TEST_F(RenderCommand, NoNormalisedRenderReachesFullScale) {
  // The dense song raised by 30 dB clips at raw level; normalised it must not.
  const std::string song = write("dense.mid", denseSong());
  const CommandResult loud = render("--gain 30 \"" + song + "\" \"" + file("loud.wav") + "\"");
  ASSERT_EQ(loud.status, 0) << loud.err;
  EXPECT_NE(loud.err.find("CLIPS"), std::string::npos) << "the fixture should clip at raw level";
  const CommandResult run = render("\"" + song + "\" \"" + file("normal.wav") + "\"");
  ASSERT_EQ(run.status, 0) << run.err;
  Audio audio;
  ASSERT_TRUE(readWav(file("normal.wav"), audio));
  EXPECT_LT(audio.peak(), 1.0f);
  EXPECT_EQ(run.err.find("CLIPS"), std::string::npos) << run.err;
}

TEST_F(RenderCommand, TheExtensionChoosesTheFormat) {
  struct Case {
    const char* name;
    const char* options;
    int format;
  };
  const Case cases[] = {
      {"a.wav", "", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
      {"b.WAV", "--pcm24", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24},
      {"c.flac", "", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
      {"d.ogg", "", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandResult run = render(std::string(c.options) + " \"" + fixture("song.mid") + "\" \"" + file(c.name) + "\"");
    ASSERT_EQ(run.status, 0) << run.err;
    Audio audio;
    ASSERT_TRUE(readWav(file(c.name), audio));
    EXPECT_EQ(audio.info.format, c.format);
    EXPECT_EQ(audio.info.channels, 2);
    EXPECT_GT(audio.peak(), 0.01f);
  }
  EXPECT_EQ(render("--pcm24 \"" + fixture("song.mid") + "\" \"" + file("e.ogg") + "\"").status, 2);
}

TEST_F(RenderCommand, StemsAreWrittenForTheOutputsThatSoundOrAllOnRequest) {
  MidiFileWriter song(0, kQuarter);
  const int32_t t = song.addTrack();
  for (uint8_t channel : {0, 9, 12}) {
    song.channelMessage(t, 0, static_cast<uint8_t>(0x90 | channel), 60, 100);
    song.channelMessage(t, kQuarter, static_cast<uint8_t>(0x80 | channel), 60, 0);
  }
  const std::string path = write("three.mid", song);
  const CommandResult run = render("--stems --part-outputs \"" + path + "\" \"" + file("s.wav") + "\"");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(folderContents(), (std::vector<std::string>{"s_out01.wav", "s_out10.wav", "s_out13.wav", "three.mid"}));
  EXPECT_NE(run.out.find("stems: 3 of 16 written"), std::string::npos) << run.out;
  const CommandResult all = render("--stems --all-stems --part-outputs \"" + path + "\" \"" + file("s.wav") + "\"");
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(folderContents().size(), 17u);
}

TEST_F(RenderCommand, ABatchRendersEverySongIntoTheFolderAsSingleRendersDo) {
  const std::string out = file("out");
  fs::create_directories(out);
  const std::string second = write("second.mid", denseSong());
  const CommandResult run = render("-j 2 -o \"" + out + "\" \"" + fixture("song.mid") + "\" \"" + second + "\"");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("[2/2]"), std::string::npos) << run.out;
  ASSERT_EQ(render("\"" + second + "\" \"" + file("single.wav") + "\"").status, 0);
  EXPECT_TRUE(sameAudio(out + "/second.wav", file("single.wav")));
  EXPECT_TRUE(fs::exists(out + "/song.wav"));
  // Two songs of one name would write one file: refused, nothing written.
  fs::create_directories(file("other"));
  fs::copy_file(second, file("other/second.mid"));
  const CommandResult clash = render("-o \"" + out + "\" \"" + second + "\" \"" + file("other/second.mid") + "\"");
  EXPECT_EQ(clash.status, 1);
  EXPECT_NE(clash.err.find("would both be written to " + out + "/second.wav"), std::string::npos) << clash.err;
}

// Piano chord under the pedal: with the pedal switch on (the General MIDI
// default) the notes end at pedal-up, exactly as if the song had ended
// them there itself; with --no-sustain they end where the song ends them.
TEST_F(RenderCommand, GeneralMidiSongsHoldNotesUntilPedalUp) {
  auto song = [&](const char* name, int64_t noteOff, bool pedal) {
    MidiFileWriter w(0, kQuarter);
    const int32_t t = w.addTrack();
    if (pedal) w.channelMessage(t, 100, 0xB0, 64, 127);
    for (uint8_t key : {60, 64, 67}) w.channelMessage(t, 200, 0x90, key, 100);
    for (uint8_t key : {60, 64, 67}) w.channelMessage(t, noteOff, 0x80, key, 0);
    if (pedal) w.channelMessage(t, 1500, 0xB0, 64, 0);
    w.channelMessage(t, 2000, 0xB0, 7, 100);
    return write(name, w);
  };
  const std::string pedalled = song("pedalled.mid", 400, true);
  const std::string heldInFile = song("held.mid", 1500, false);
  const std::string plain = song("plain.mid", 400, false);
  const CommandResult on = render("--no-normalize \"" + pedalled + "\" \"" + file("on.wav") + "\"");
  ASSERT_EQ(on.status, 0) << on.err;
  EXPECT_NE(on.out.find("sustain pedal (CC 64): on"), std::string::npos) << on.out;
  ASSERT_EQ(render("--no-normalize --no-sustain \"" + heldInFile + "\" \"" + file("held.wav") + "\"").status, 0);
  ASSERT_EQ(render("--no-normalize --no-sustain \"" + pedalled + "\" \"" + file("off.wav") + "\"").status, 0);
  ASSERT_EQ(render("--no-normalize --no-sustain \"" + plain + "\" \"" + file("plain.wav") + "\"").status, 0);
  EXPECT_TRUE(sameAudio(file("on.wav"), file("held.wav"))) << "the notes do not end at pedal-up";
  EXPECT_TRUE(sameAudio(file("off.wav"), file("plain.wav"))) << "the pedal acts with the switch off";
  EXPECT_FALSE(sameAudio(file("on.wav"), file("off.wav")));
}

}  // namespace

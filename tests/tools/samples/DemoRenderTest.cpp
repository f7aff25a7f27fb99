// The demo song rendered by korvane-render through the built plug-in with
// the factory set it loads by default, as the main job renders it.
#include <sndfile.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Audio {
  int32_t rate = 0;
  int32_t channels = 0;
  std::vector<float> samples;
  double seconds() const { return channels > 0 && rate > 0 ? samples.size() / channels / double(rate) : 0.0; }
};

bool readWav(const std::string& path, Audio& audio) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return false;
  audio.rate = info.samplerate;
  audio.channels = info.channels;
  audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
  const sf_count_t got = sf_readf_float(file, audio.samples.data(), info.frames);
  sf_close(file);
  return got == info.frames;
}

// Mean magnitude over a stretch of seconds.
double meanLevel(const Audio& a, double from, double to) {
  const size_t begin = static_cast<size_t>(from * a.rate) * a.channels;
  const size_t end = std::min(a.samples.size(), static_cast<size_t>(to * a.rate) * a.channels);
  double sum = 0.0;
  for (size_t i = begin; i < end; ++i) sum += std::fabs(a.samples[i]);
  return end > begin ? sum / static_cast<double>(end - begin) : 0.0;
}

class DemoRender : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(std::string(KORVANE_PRESET_DIR) + "/FactoryTones.txt"))
        << "the demo is balanced for the factory tone bank, presets/FactoryTones.txt";
    // ctest runs each test in a process of its own, possibly at the same
    // time: every process renders into a file of its own.
    output = ::testing::TempDir() + "/korvane-demo-render-test-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".wav";
    const std::string command = std::string("\"") + KORVANE_RENDER + "\" --receive-sysex \"" + KORVANE_DEMO_SONG +
                                "\" \"" + output + "\" > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ASSERT_TRUE(readWav(output, audio)) << output;
  }
  void TearDown() override { std::remove(output.c_str()); }

  std::string output;
  Audio audio;
};

TEST_F(DemoRender, StaysBelowFullScaleAndIsClearlyAudible) {
  float peak = 0.0f;
  for (float v : audio.samples) {
    ASSERT_TRUE(std::isfinite(v));
    peak = std::max(peak, std::fabs(v));
  }
  EXPECT_LT(peak, 1.0f) << "the demo clips";
  EXPECT_GT(peak, 0.3f) << "the demo is barely there";
  EXPECT_EQ(audio.channels, 2);
  EXPECT_GE(audio.seconds(), 30.0);
  EXPECT_LE(audio.seconds(), 42.0);
}

TEST_F(DemoRender, TheSamplerPartsCarryTheBreakdown) {
  // Bars 11 and 12 (20 to 24 s at 120 bpm) are played by the two sampler
  // parts alone: the sampled drum loop, plucked bass and flute. Without the
  // factory samples in their slots this stretch would be silent.
  const double breakdown = meanLevel(audio, 20.5, 23.5);
  const double chorus = meanLevel(audio, 12.5, 19.5);
  EXPECT_GT(breakdown, 0.2 * chorus);
}

}  // namespace

// The synthesised recordings: their shape, their level, their pitch, and
// the joins a sampler voice plays across (loop wraps, slice ends).
#include "tools/samples/FactorySampleSet.h"
#include "tools/samples/SampleSynthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

namespace samples = ovri::korvane::samples;

// Synthesised once for the whole suite.
const samples::Recording& recordingOf(const samples::SampleFile& file) {
  static std::map<const samples::SampleFile*, samples::Recording> made;
  auto it = made.find(&file);
  if (it == made.end()) it = made.emplace(&file, samples::synthesize(file)).first;
  return it->second;
}

// Fundamental frequency of channel 0 over frames from..from+count: the lag
// of the highest autocorrelation between 0.8 and 1.25 times the expected
// period, refined by a parabola through its neighbours.
double measuredFrequency(const samples::Recording& r, int32_t from, int32_t count, double expected) {
  auto at = [&](int32_t frame) { return static_cast<double>(r.samples[static_cast<size_t>(frame) * r.channels]); };
  auto correlation = [&](int32_t lag) {
    double sum = 0.0;
    for (int32_t i = from; i < from + count; ++i) sum += at(i) * at(i + lag);
    return sum;
  };
  const double period = r.rate / expected;
  int32_t best = static_cast<int32_t>(0.8 * period);
  for (int32_t lag = best; lag <= static_cast<int32_t>(1.25 * period) + 1; ++lag)
    if (correlation(lag) > correlation(best)) best = lag;
  const double a = correlation(best - 1), b = correlation(best), c = correlation(best + 1);
  const double shift = (a - c) / (2.0 * (a - 2.0 * b + c));
  return r.rate / (best + shift);
}

float peakOf(const samples::Recording& r, int32_t fromFrame, int32_t toFrame) {
  float peak = 0.0f;
  for (size_t i = static_cast<size_t>(fromFrame) * r.channels; i < static_cast<size_t>(toFrame) * r.channels; ++i)
    peak = std::max(peak, std::fabs(r.samples[i]));
  return peak;
}

class EveryRecording : public ::testing::TestWithParam<size_t> {
protected:
  const samples::SampleFile& file() const { return samples::sampleFiles()[GetParam()]; }
  const samples::Recording& recording() const { return recordingOf(file()); }
};

TEST_P(EveryRecording, HasTheRateChannelsAndLengthItIsListedWith) {
  EXPECT_EQ(recording().rate, file().rate);
  EXPECT_EQ(recording().channels, file().channels);
  EXPECT_EQ(recording().frames(), file().frames);
  EXPECT_LT(static_cast<size_t>(file().frames) * file().channels * 2, 200u * 1024u) << "a small file";
}

TEST_P(EveryRecording, PeaksAtMinusOneDecibelWithoutClipping) {
  EXPECT_FLOAT_EQ(peakOf(recording(), 0, recording().frames()), samples::kPeakLevel);
  const std::vector<int16_t> pcm = samples::toPcm16(recording());
  const auto [low, high] = std::minmax_element(pcm.begin(), pcm.end());
  EXPECT_GT(*low, -32768);
  EXPECT_LT(*high, 32767);
}

INSTANTIATE_TEST_SUITE_P(FactorySamples, EveryRecording, ::testing::Range<size_t>(0, samples::sampleFiles().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           std::string name = samples::sampleFiles()[info.param].name;
                           return name.substr(0, name.find('.'));
                         });

TEST(FactoryRecordings, LoopsWrapOntoWhatLedIntoTheLoop) {
  // A seamless loop: the frames before the loop start equal the loop's
  // last frames, so the wrap from the end back to the start continues the
  // sound exactly as it first went into the loop. A loop over a whole bar
  // of drums instead ends in silence, and the wrap starts the bar again.
  for (const samples::SampleFile& file : samples::sampleFiles()) {
    if (file.loopFrames == 0) continue;
    SCOPED_TRACE(file.name);
    const samples::Recording& recording = recordingOf(file);
    const std::vector<int16_t> pcm = samples::toPcm16(recording);
    const int32_t loopStart = file.frames - file.loopFrames;
    if (loopStart == 0) {
      EXPECT_LT(peakOf(recording, file.frames - file.rate / 100, file.frames), 1e-3f);
      continue;
    }
    const int32_t check = std::min(loopStart, file.rate / 50);  // 20 ms
    for (int32_t k = 1; k <= check; ++k)
      for (int32_t c = 0; c < file.channels; ++c)
        ASSERT_EQ(pcm[static_cast<size_t>((loopStart - k) * file.channels + c)],
                  pcm[static_cast<size_t>((file.frames - k) * file.channels + c)])
            << k << " frames before the loop start, channel " << c;
  }
}

TEST(FactoryRecordings, OneShotsEndInSilence) {
  for (const samples::SampleFile& file : samples::sampleFiles()) {
    if (file.loopFrames == 0) {
      EXPECT_LT(peakOf(recordingOf(file), file.frames - file.rate / 100, file.frames), 1e-3f) << file.name;
    }
  }
}

TEST(FactoryRecordings, PitchedOnesSoundAtThePitchTheyAreMappedWith) {
  for (const samples::SampleFile& file : samples::sampleFiles()) {
    if (file.rootKey < 0) continue;
    const double expected = samples::recordedPitch(file);
    // A tenth of a second from a third of the way in.
    const double measured = measuredFrequency(recordingOf(file), file.frames / 3, file.rate / 10, expected);
    EXPECT_NEAR(1200.0 * std::log2(measured / expected), 0.0, 5.0) << file.name << ": cents off " << expected << " Hz";
  }
}


TEST(DrumSlices, EachHoldsOneHitThatDiesAwayBeforeTheSliceEnds) {
  const samples::SampleFile& drums = samples::sampleFiles()[4];
  ASSERT_EQ(drums.kind, samples::SampleKind::Drums);
  const samples::Recording& bar = recordingOf(drums);
  for (const samples::SampleSlot& s : samples::sampleSlots()) {
    if (s.file != 4 || s.loopEnd > s.loopStart) continue;
    SCOPED_TRACE(s.slot);
    const int32_t ms = drums.rate / 1000;
    EXPECT_GT(peakOf(bar, s.start, s.start + 20 * ms), 0.1f) << "the hit starts with the slice";
    EXPECT_LT(peakOf(bar, s.end - 5 * ms, s.end), 1e-3f) << "and has ended before the slice does";
    if (s.start > 0) {
      EXPECT_LT(peakOf(bar, s.start - 5 * ms, s.start), 1e-3f) << "nothing rings into it";
    }
  }
}

}  // namespace

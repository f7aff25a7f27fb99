// Value tags applied to an EngineHost: what each page changes, the value
// answered, the selection that follows, and values from outside 0..1.
#include "tests/plugin/EngineHostSupport.h"
#include "tests/plugin/TestFiles.h"

#include "plugin/FileActions.h"
#include "plugin/PageItems.h"
#include "plugin/ValueTags.h"
#include "tonegen/SoundFields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace ovri::korvane;
using synth::SampleData;
using synth::ToneParameters;
using test::change;

class ValueTagsTest : public ::testing::Test {
protected:
  synth::SynthesizerFM4& synth() { return *host.synth; }
  // A 5000-frame mono recording in slot `slot`, which becomes the selected one.
  void loadSample(int32_t slot, int32_t frames = 5000) {
    ASSERT_TRUE(dir.valid());
    const std::string path = dir.file("slot" + std::to_string(slot) + ".wav");
    ASSERT_TRUE(test::writeSawWav(path, frames));
    ASSERT_TRUE(plugin::importWav(host, slot, path, sampleimport::ImportMode::Pcm));
    host.selectSample(slot);
    ASSERT_EQ(host.sample->length, frames);
  }

  test::TempDir dir;
  EngineHost host;
};

TEST_F(ValueTagsTest, SelectPartRoundsToTheNearestPartAndAnswersIt) {
  EXPECT_EQ(change(host, 0x0101, 1.0f), 1.0f);
  EXPECT_EQ(host.selectedPart, 15);
  EXPECT_EQ(change(host, 0x0101, 0.49f), 7.0f / 15.0f);
  EXPECT_EQ(host.selectedPart, 7);
  EXPECT_EQ(host.part, &host.model.parts[7]);
}

TEST_F(ValueTagsTest, PartModeStopsThatPartsVoicesOnlyWhenTheModeChanges) {
  loadSample(0);  // every sampler preset plays slot 0
  host.selectPart(2);
  synth().noteOn(2, 60, 100);
  synth().noteOn(3, 60, 100);
  ASSERT_EQ(synth().getActiveVoiceCount(), 2);

  EXPECT_EQ(change(host, 0x0102, 1.0f), 1.0f);
  EXPECT_EQ(synth().getPart(2).mode, synth::kModeSampler);
  EXPECT_EQ(synth().getActiveVoiceCount(), 1) << "only part 2's voice stops";

  synth().noteOn(2, 61, 100);  // a sampler note now
  ASSERT_EQ(synth().getActiveVoiceCount(), 2);
  EXPECT_EQ(change(host, 0x0102, 1.0f), 1.0f);
  EXPECT_EQ(synth().getActiveVoiceCount(), 2) << "the same mode again stops nothing";

  EXPECT_EQ(change(host, 0x0102, 0.4f), 1.0f / 3.0f);  // (int)(1.2 + 0.5) = 1
  EXPECT_EQ(synth().getPart(2).mode, synth::kModeInstrument);
}

TEST_F(ValueTagsTest, PolyphonyIsFourTimesAPowerOfTwoAndLeavesTheEngineEnabled) {
  EXPECT_EQ(change(host, 0x0090, 0.5f), 0.5f);
  EXPECT_EQ(synth().getPolyphony(), 64);
  EXPECT_EQ(change(host, 0x0090, 1.0f), 1.0f);
  EXPECT_EQ(synth().getPolyphony(), 1024);
  EXPECT_EQ(change(host, 0x0090, 0.3f), 0.25f) << "the answer is the count in force: 16";
  EXPECT_EQ(synth().getPolyphony(), 16);
  EXPECT_EQ(change(host, 0x0090, 0.0f), 0.0f);
  EXPECT_EQ(synth().getPolyphony(), 4);
  EXPECT_FALSE(host.rack->isDisabled(EngineHost::kSynthSlot));

  synth().noteOn(0, 60, 100);
  change(host, 0x0090, 0.0f);  // the count in force: nothing happens
  EXPECT_EQ(synth().getActiveVoiceCount(), 1);
  change(host, 0x0090, 0.125f);
  EXPECT_EQ(synth().getPolyphony(), 8);
  EXPECT_EQ(synth().getActiveVoiceCount(), 0);
}

TEST_F(ValueTagsTest, PlayRangeEditsAreCheckedAgainstTheRecording) {
  loadSample(4);
  SampleParameters& d = *host.sample;
  EXPECT_EQ(change(host, 0x3008, 5001.0f), 5000.0f) << "beyond the length: the old end";
  EXPECT_EQ(d.end, 5000);
  EXPECT_EQ(change(host, 0x3007, -1.0f), 0.0f) << "no start before the data";
  EXPECT_EQ(change(host, 0x3007, 5000.0f), 0.0f) << "the start must lie before the end";
  EXPECT_EQ(d.start, 0);

  change(host, 0x3009, 0.0f);
  change(host, 0x300A, 3000.0f);
  ASSERT_EQ(d.loopLength, 3000);
  EXPECT_EQ(change(host, 0x3007, 100.5f), 100.0f);
  EXPECT_EQ(d.start, 100);
  EXPECT_EQ(d.loopLength, 0) << "a new start after the loop start clears the loop";
  EXPECT_EQ(d.loopEnd, 5000);
  EXPECT_EQ(change(host, 0x3008, 100.0f), 5000.0f) << "the end must lie after the start";
  EXPECT_EQ(change(host, 0x3008, 4000.0f), 4000.0f);
  EXPECT_EQ(d.end, 4000);
  EXPECT_EQ(d.loopEnd, 4000);
}

// Loop start and end from scratch, in either order and with the play
// range moved in: each point is kept once it lies in the play range, the
// loop comes on once the pair forms one, and a play range change keeps a
// loop that still fits.
TEST_F(ValueTagsTest, LoopPointsAreTakenInEitherOrderFromScratch) {
  struct Step {
    int32_t tag;
    float value;
    float answer;
    int32_t loopStart, loopEnd;  // in force; 0, 0 when none
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"start then end, play start above 0",
       {{0x3007, 500, 500, 0, 0}, {0x3009, 1000, 1000, 0, 0}, {0x300A, 2000, 2000, 1000, 2000}}},
      {"end then start", {{0x3007, 500, 500, 0, 0}, {0x300A, 2000, 2000, 0, 0}, {0x3009, 1000, 1000, 1000, 2000}}},
      {"a point outside the play range is not kept",
       {{0x3007, 500, 500, 0, 0}, {0x3009, 100, 0, 0, 0}, {0x3009, 600, 600, 0, 0}, {0x300A, 9000, 0, 0, 0},
        {0x300A, 700, 700, 600, 700}}},
      {"a pair the wrong way round stays off until mended",
       {{0x3009, 3000, 3000, 0, 0}, {0x300A, 2000, 2000, 0, 0}, {0x3009, 1000, 1000, 1000, 2000}}},
      {"a play range change keeps a loop that fits",
       {{0x3009, 1000, 1000, 0, 0}, {0x300A, 2000, 2000, 1000, 2000}, {0x3007, 500, 500, 1000, 2000},
        {0x3008, 4000, 4000, 1000, 2000}, {0x3008, 1500, 1500, 0, 0}}},
  };
  int32_t slot = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    loadSample(++slot);
    SampleParameters& d = *host.sample;
    for (const Step& step : c.steps) {
      SCOPED_TRACE(std::to_string(step.tag) + " " + std::to_string(step.value));
      EXPECT_EQ(change(host, step.tag, step.value), step.answer);
      EXPECT_EQ(d.loopLength > 0 ? d.loopEnd - d.loopLength : 0, step.loopStart);
      EXPECT_EQ(d.loopLength > 0 ? d.loopEnd : 0, step.loopEnd);
      EXPECT_EQ(d.loopTail, d.loopEnd == d.end ? d.loopLength : 0);
      // The boxes show the answer (the loop in force or the point kept).
      const plugin::LoopPoints shown = plugin::shownLoopPoints(host, slot);
      if (step.tag == 0x3009) {
        EXPECT_EQ(shown.start, step.answer);
      }
      if (step.tag == 0x300A) {
        EXPECT_EQ(shown.end, step.answer);
      }
    }
  }
}

TEST_F(ValueTagsTest, LoopPointsFollowTheLoopInForce) {
  loadSample(4);
  SampleParameters& d = *host.sample;
  EXPECT_EQ(change(host, 0x3009, 1000.0f), 1000.0f) << "kept; no loop end yet: no loop";
  EXPECT_EQ(d.loopLength, 0);
  EXPECT_EQ(change(host, 0x300A, 2000.0f), 2000.0f);  // loop 1000..2000
  EXPECT_EQ(d.loopEnd, 2000);
  EXPECT_EQ(d.loopLength, 1000);
  EXPECT_EQ(d.loopTail, 0);

  EXPECT_EQ(change(host, 0x300A, 5000.0f), 5000.0f);
  EXPECT_EQ(d.loopLength, 4000);
  EXPECT_EQ(d.loopTail, 4000) << "a loop ending at the end keeps looping after release";

  EXPECT_EQ(change(host, 0x3009, 5000.0f), 5000.0f) << "loop start equal to the loop end: kept, no loop";
  EXPECT_EQ(d.loopLength, 0);
  EXPECT_EQ(d.loopTail, 0);
  EXPECT_EQ(d.loopEnd, d.end);
  EXPECT_EQ(change(host, 0x300A, 0.0f), 0.0f);
  EXPECT_EQ(d.loopLength, 0);
}

TEST_F(ValueTagsTest, NamesAndTheToneMenuAndUnlistedItemsAreNotAnswered) {
  const std::vector<uint8_t> before = test::saveState(host);
  for (int32_t tag : {0x1002, 0x2002, 0x1080, 0x0003, 0x0085, 0x010A, 0x100C, 0x104C, 0x1050, 0x200C,
                      0x3002, 0x3006, 0x300B, 0x4001, 0x1101, 0x9100, 0x2105})
    EXPECT_FALSE(change(host, tag, 0.5f).has_value()) << std::hex << tag;
  EXPECT_EQ(test::saveState(host), before);
}

TEST_F(ValueTagsTest, OperatorTagsAddressOperatorAndFieldByNibble) {
  using Field = int32_t(ToneParameters::*)[synth::kOperatorCount];
  const Field fields[12] = {&ToneParameters::wave, &ToneParameters::mul, &ToneParameters::tune,
                            &ToneParameters::lms,  &ToneParameters::tlVelCtrl, &ToneParameters::tl,
                            &ToneParameters::ar,   &ToneParameters::dr,  &ToneParameters::sl,
                            &ToneParameters::rr,   &ToneParameters::kf,  &ToneParameters::kfStart};
  const int32_t ranges[12] = {7, 15, 16383, 15, 7, 127, 127, 127, 127, 127, 3, 127};
  change(host, 0x1001, 9.0f / 255.0f);
  ASSERT_EQ(host.selectedTone, 9);
  const synth::TonePreset defaults;
  for (int32_t j = 0; j < 4; ++j) {
    for (int32_t k = 0; k < 12; ++k) {
      const int32_t tag = 0x1010 + 0x10 * j + k;
      SCOPED_TRACE(tag);
      synth().getTonePreset(9).setDefaults();
      const int32_t n = static_cast<int32_t>(0.3f * static_cast<float>(ranges[k]) + 0.5f);
      EXPECT_EQ(change(host, tag, 0.3f), static_cast<float>(n) / static_cast<float>(ranges[k]));
      for (int32_t jj = 0; jj < 4; ++jj)
        for (int32_t kk = 0; kk < 12; ++kk)
          EXPECT_EQ((host.tone->*fields[kk])[jj], jj == j && kk == k ? n : (defaults.*fields[kk])[jj]);
      EXPECT_EQ(host.tone->key, defaults.key);
      EXPECT_EQ(host.tone->strc, defaults.strc);
    }
  }
  EXPECT_FALSE(change(host, 0x101C, 0.3f).has_value());
  EXPECT_FALSE(change(host, 0x104F, 0.3f).has_value());
}

TEST_F(ValueTagsTest, SelectionFollowsThePartsModeAndProgram) {
  synth().getPart(3).program = 20;
  synth().getSamplerPreset(6).smplNum = 9;
  test::engineChanged(host);
  host.selectSamplerPreset(6);

  change(host, 0x0101, 3.0f / 15.0f);
  EXPECT_EQ(host.selectedTone, 20);
  change(host, 0x0102, 2.0f / 3.0f);
  EXPECT_EQ(host.selectedTone, 128) << "percussion: the tone of key 0";
  change(host, 0x0102, 1.0f);
  EXPECT_EQ(host.selectedSample, 9) << "sampler: the slot of the selected sampler preset";
  EXPECT_EQ(host.sample, &host.model.slots[9]);
  change(host, 0x0102, 0.0f);
  EXPECT_EQ(host.selectedTone, 20) << "mute: the program's tone";

  change(host, 0x0103, 45.0f / 127.0f);  // program change on a muted part
  EXPECT_EQ(synth().getPart(3).program, 45);
  EXPECT_EQ(host.selectedTone, 45);
  change(host, 0x0102, 2.0f / 3.0f);
  change(host, 0x0103, 50.0f / 127.0f);
  EXPECT_EQ(host.selectedTone, 128) << "a percussion part's program does not move the tone";
}

TEST_F(ValueTagsTest, SamplerPresetSelectionMovesTheSampleSelection) {
  synth().getSamplerPreset(5).smplNum = 17;
  EXPECT_EQ(change(host, 0x2001, 5.0f / 127.0f), 5.0f / 127.0f);
  EXPECT_EQ(host.selectedSamplerPreset, 5);
  EXPECT_EQ(host.selectedSample, 17);
  EXPECT_EQ(change(host, 0x2003, 33.0f / 127.0f), 33.0f / 127.0f);
  EXPECT_EQ(synth().getSamplerPreset(5).smplNum, 33);
  EXPECT_EQ(host.selectedSample, 33);
}

TEST_F(ValueTagsTest, NormalisedValuesOutsideTheRangeAreClamped) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float value;
    int32_t n;  // for a range of 127
  };
  for (const Case& c : {Case{-1.0f, 0}, Case{2.0f, 127}, Case{nan, 0}, Case{1.0e30f, 127}}) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(change(host, 0x1003, c.value), static_cast<float>(c.n) / 127.0f);
    EXPECT_EQ(host.tone->key, c.n);
    EXPECT_EQ(change(host, 0x0106, c.value), static_cast<float>(c.n) / 127.0f);
    EXPECT_EQ(synth().getPart(host.selectedPart).controllers[1], c.n);

    const bool high = c.n != 0;
    change(host, 0x0101, c.value);
    EXPECT_EQ(host.selectedPart, high ? 15 : 0);
    change(host, 0x1001, c.value);
    EXPECT_EQ(host.selectedTone, high ? 255 : 0);
    change(host, 0x2001, c.value);
    EXPECT_EQ(host.selectedSamplerPreset, high ? 127 : 0);
    change(host, 0x3001, c.value);
    EXPECT_EQ(host.selectedSample, high ? 127 : 0);
    change(host, 0x0190, c.value);
    EXPECT_EQ(synth().getPart(host.selectedPart).output, high ? 15 : 0);

    EXPECT_EQ(change(host, 0x0001, c.value), high ? 1.0f : 0.0f);
    EXPECT_EQ(synth().getMasterVolume(), high ? 1.0f : 0.0f);
    change(host, 0x0002, c.value);
    EXPECT_EQ(synth().getMasterTune(), high ? 480.0f : 400.0f);
    change(host, 0x0090, c.value);
    EXPECT_EQ(synth().getPolyphony(), high ? 1024 : 4);
  }
}

TEST_F(ValueTagsTest, RateAndPitchAreRawHertzAndStayFinite) {
  loadSample(2);
  SampleParameters& d = *host.sample;
  EXPECT_EQ(change(host, 0x3004, 22050.0f), 22050.0f);
  EXPECT_EQ(d.logRate, static_cast<int32_t>(std::log2(22050.0f) * 8192.0f + 0.5f));
  EXPECT_EQ(change(host, 0x3005, 440.0f), 440.0f);
  EXPECT_EQ(d.pitchOffset, d.logRate - d.logPitch);
  for (float odd : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(), -5.0f}) {
    EXPECT_TRUE(std::isfinite(*change(host, 0x3004, odd)));
    EXPECT_TRUE(std::isfinite(*change(host, 0x3005, odd)));
  }
  // So that the image written next can be read back.
  EXPECT_TRUE(test::loadState(host, test::saveState(host)));
}

TEST_F(ValueTagsTest, ClearingASlotFreesItsDataAndForgetsItsFile) {
  loadSample(3);
  ASSERT_NE(host.getSampleFilePath(3), nullptr);
  change(host, 0x3009, 1000.0f);
  change(host, 0x300A, 2000.0f);
  synth().getPart(0).mode = synth::kModeSampler;
  synth().getSamplerPreset(60).smplNum = 3;
  synth().noteOn(0, 60, 100);
  ASSERT_EQ(synth().getActiveVoiceCount(), 1);

  EXPECT_EQ(change(host, 0x3081, 1.0f), 1.0f);
  const SampleData& d = synth().getSampleData(3);
  EXPECT_EQ(d.samples, nullptr);
  EXPECT_EQ(d.length, 0);
  EXPECT_EQ(d.end, 0);
  EXPECT_EQ(d.loopLength, 0);
  EXPECT_EQ(d.sampleRate, 0.0f);
  EXPECT_EQ(synth().getActiveVoiceCount(), 0);
  EXPECT_EQ(host.getSampleFilePath(3), nullptr);
  EXPECT_FALSE(test::readSlot(test::saveState(host), 3).present);
}

TEST_F(ValueTagsTest, SystemAndPartCommands) {
  EXPECT_EQ(change(host, 0x0083, 0.0f), 1.0f);
  EXPECT_TRUE(synth().getReceiveSysEx());
  EXPECT_EQ(change(host, 0x0083, 0.0f), 0.0f);
  EXPECT_EQ(change(host, 0x0084, 0.0f), 1.0f);
  EXPECT_TRUE(synth().isNrpnEnabled());

  synth().setPartDefaultMode(5, synth::kModePercussion);
  synth().getPart(5).mode = synth::kModeMute;
  synth().getPart(5).bendRange = 9;
  EXPECT_EQ(change(host, 0x0081, 0.7f), 0.0f);
  EXPECT_EQ(synth().getPart(5).mode, synth::kModePercussion);
  EXPECT_EQ(synth().getPart(5).bendRange, 2);

  host.selectPart(5);
  EXPECT_EQ(change(host, 0x0105, 1.0f), 1.0f);
  EXPECT_EQ(synth().getPart(5).pitchBend, 16383);
  EXPECT_EQ(change(host, 0x0181, 0.3f), 0.0f);
  EXPECT_EQ(synth().getPart(5).mode, synth::kModeInstrument);
  EXPECT_EQ(synth().getPart(5).pitchBend, 8192);

  synth().noteOn(5, 60, 100);
  EXPECT_EQ(change(host, 0x0190, 0.22f), 3.0f / 15.0f) << "the output in force";
  EXPECT_EQ(synth().getPart(5).output, 3);
  int32_t moved = 0;
  for (int32_t i = 0; i < synth().getPolyphony(); ++i)
    if (synth().getVoice(i).part == 5) moved += synth().getVoice(i).outputPair == 6 ? 1 : 100;
  EXPECT_EQ(moved, 1);
}

// The page item table has a row for every value tag of the protocol and no
// other, and what a box shows of a value reads back as that value.
TEST(PageItemsTest, EveryValueTagHasOneRowAndItsBoxTextReadsBack) {
  std::vector<int32_t> listed = {0x0001, 0x0002, 0x0081, 0x0083, 0x0084, 0x0085, 0x0090, 0x0181, 0x0182, 0x0183,
                                 0x0190, 0x1001, 0x1002, 0x1081, 0x2001, 0x2002, 0x2081, 0x3001, 0x3004, 0x3005,
                                 0x3007, 0x3008, 0x3009, 0x300A, 0x3081};
  for (int32_t item = 0x01; item <= 0x09; ++item) listed.push_back(0x0100 | item);
  for (int32_t item = 0x03; item <= 0x08; ++item) listed.push_back(0x1000 | item);
  for (int32_t j = 0; j < 4; ++j)
    for (int32_t k = 0; k < 12; ++k) listed.push_back(0x1010 + 0x10 * j + k);
  for (int32_t item = 0x03; item <= 0x0B; ++item) listed.push_back(0x2000 | item);
  for (int32_t tag : listed) EXPECT_NE(plugin::findPageItem(tag), nullptr) << std::hex << tag;
  EXPECT_EQ(plugin::pageItems().size(), listed.size());

  for (const plugin::PageItem& item : plugin::pageItems()) {
    if (item.text == plugin::ItemText::kNone) continue;
    SCOPED_TRACE(item.tag);
    std::vector<double> plains;
    switch (item.scale) {
      case plugin::ItemScale::kSteps: plains = {0.0, static_cast<double>(item.range / 2 + 1), double(item.range)}; break;
      case plugin::ItemScale::kGain: plains = {0.0, 0.5, 0.8f, 1.0}; break;
      case plugin::ItemScale::kReferencePitch: plains = {400.0, 440.0, 479.95f, 480.0}; break;
      case plugin::ItemScale::kHertz: plains = {0.0, 44100.5, 261.625565f}; break;
      default: plains = {0.0, 1234.0, 99999999.0}; break;
    }
    for (double plain : plains) {
      const std::string text = plugin::itemText(item, plain);
      const std::optional<float> read = plugin::parseItemText(item, text.c_str());
      ASSERT_TRUE(read.has_value()) << text;
      EXPECT_FLOAT_EQ(*read, plugin::normalisedOf(item, plain)) << text;
    }
  }
}

// Every field of a tone or sampler preset is reached by exactly one item of
// its editor page; operator j's field k sits at 0x10 + 0x10 j + k.
TEST(PageItemsTest, EveryToneAndSamplerValueHasExactlyOneItem) {
  auto model = std::make_unique<SoundModel>();
  const EditorSelection selection{0, 5, 7, 0};
  std::map<const int32_t*, int32_t> toneHits, samplerHits;
  for (const plugin::PageItem& item : plugin::pageItems()) {
    if (item.field == nullptr) continue;
    const int32_t* field = item.field(*model, selection);
    const auto* tone = reinterpret_cast<const char*>(&model->tones[5]);
    const auto* preset = reinterpret_cast<const char*>(&model->samplers[7]);
    const auto* at = reinterpret_cast<const char*>(field);
    if ((item.tag & protocol::tags::kPageMask) == protocol::tags::kTonePage) {
      ASSERT_TRUE(at >= tone && at < tone + sizeof(synth::TonePreset)) << std::hex << item.tag;
      ++toneHits[field];
    } else if ((item.tag & protocol::tags::kPageMask) == protocol::tags::kSamplerPage) {
      ASSERT_TRUE(at >= preset && at < preset + sizeof(synth::SamplerPreset)) << std::hex << item.tag;
      ++samplerHits[field];
    }
  }
  EXPECT_EQ(toneHits.size(), static_cast<size_t>(synth::kToneValueCount));
  EXPECT_EQ(samplerHits.size(), static_cast<size_t>(synth::kSamplerValueCount));
  for (const auto& hits : {toneHits, samplerHits})
    for (const auto& [field, count] : hits) EXPECT_EQ(count, 1);
  auto fieldOf = [&](int32_t tag) { return plugin::findPageItem(tag)->field(*model, selection); };
  EXPECT_EQ(fieldOf(0x1020), &model->tones[5].wave[1]);
  EXPECT_EQ(fieldOf(0x1042), &model->tones[5].tune[3]);
  EXPECT_EQ(plugin::findPageItem(0x1042)->range, 16383);
  EXPECT_EQ(plugin::findPageItem(0x1005)->range, 15);  // strc: the editor reaches the LFO target bit
  EXPECT_EQ(plugin::findPageItem(0x101C), nullptr);
  EXPECT_EQ(fieldOf(0x2005), &model->samplers[7].octv);
  EXPECT_EQ(fieldOf(0x200B), &model->samplers[7].rr);
}

}  // namespace

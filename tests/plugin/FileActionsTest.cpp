// File actions on an EngineHost: text exports and imports through real
// files, WAV imports in the three modes, and the redraw answer.
#include "tests/plugin/EngineHostSupport.h"
#include "tests/plugin/TestFiles.h"

#include "formats/SysExText.h"
#include "plugin/FileActions.h"
#include "sampleimport/SampleImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

namespace {

using namespace ovri::korvane;
using plugin::runFileAction;
namespace fa = plugin::fileactions;

// Every tone and sampler preset gets values inside the masks of the text
// formats and a 16-character name.
void scramblePresets(synth::SynthesizerFM4& s, uint32_t seed) {
  std::mt19937 random(seed);
  auto next = [&random](int32_t mask) { return static_cast<int32_t>(random() & static_cast<uint32_t>(mask)); };
  for (int32_t i = 0; i < synth::kToneCount; ++i) {
    synth::TonePreset& t = s.getTonePreset(i);
    std::snprintf(t.presetName, sizeof t.presetName, "Tone %03d %07d", i, next(0xFFFFF) % 10000000);
    t.key = next(0x7F), t.pan = next(0x7F), t.lfoWave = next(3), t.lfoFreq = next(0x3FFF);
    t.fl = next(0x7F), t.strc = next(7);
    for (int32_t j = 0; j < synth::kOperatorCount; ++j) {
      t.tlVelCtrl[j] = next(7), t.mul[j] = next(15), t.tune[j] = next(0x3FFF), t.lms[j] = next(15);
      t.wave[j] = next(7), t.tl[j] = next(0x7F), t.ar[j] = next(0x7F), t.dr[j] = next(0x7F);
      t.sl[j] = next(0x7F), t.rr[j] = next(0x7F), t.kf[j] = next(3), t.kfStart[j] = next(0x7F);
    }
  }
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) {
    synth::SamplerPreset& p = s.getSamplerPreset(i);
    std::snprintf(p.presetName, sizeof p.presetName, "Sampler %03d ....", i);
    p.smplNum = next(0x7F), p.pan = next(0x7F), p.octv = next(15), p.tune = next(0x3FFF);
    p.tl = next(0x7F), p.ar = next(0x7F), p.dr = next(0x7F), p.sl = next(0x7F), p.rr = next(0x7F);
  }
}

std::vector<uint8_t> region(const std::vector<uint8_t>& image, size_t from, size_t to) {
  return std::vector<uint8_t>(image.begin() + static_cast<long>(from), image.begin() + static_cast<long>(to));
}

size_t lineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

class FileActionsTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dir.valid()); }
  test::TempDir dir;
  EngineHost host;
};

TEST_F(FileActionsTest, TonePresetsTravelThroughAFile) {
  scramblePresets(*host.synth, 1);
  test::engineChanged(host);
  const std::string file = dir.file("TonePresets.txt");
  EXPECT_FALSE(runFileAction(host, fa::kExportTones, file)) << "an export asks for no redraw";
  EXPECT_EQ(lineCount(test::readWholeFile(file)), 5u + 256u);

  EngineHost other;
  EXPECT_TRUE(runFileAction(other, fa::kImportTones, file));
  const auto a = test::saveState(host), b = test::saveState(other);
  EXPECT_EQ(region(a, test::layout::tone(0), test::layout::tone(256)),
            region(b, test::layout::tone(0), test::layout::tone(256)));
  EngineHost fresh;
  EXPECT_EQ(region(b, test::layout::sampler(0), b.size()), region(test::saveState(fresh), test::layout::sampler(0), b.size()))
      << "a tone import touches nothing else";
}

TEST_F(FileActionsTest, SamplerPresetsTravelThroughAFileAndTheImportStopsVoices) {
  scramblePresets(*host.synth, 2);
  test::engineChanged(host);
  const std::string file = dir.file("SamplerPresets.txt");
  EXPECT_FALSE(runFileAction(host, fa::kExportSamplerPresets, file));
  EXPECT_EQ(lineCount(test::readWholeFile(file)), 1u + 128u);

  EngineHost other;
  other.synth->noteOn(0, 60, 100);
  ASSERT_EQ(other.synth->getActiveVoiceCount(), 1);
  EXPECT_TRUE(runFileAction(other, fa::kImportSamplerPresets, file));
  EXPECT_EQ(other.synth->getActiveVoiceCount(), 0);
  const auto a = test::saveState(host), b = test::saveState(other);
  EXPECT_EQ(region(a, test::layout::sampler(0), test::layout::kSlots),
            region(b, test::layout::sampler(0), test::layout::kSlots));
}

TEST_F(FileActionsTest, SampleDataParametersTravelThroughAFile) {
  const std::string longWav = dir.file("long.wav"), shortWav = dir.file("short.wav");
  ASSERT_TRUE(test::writeSawWav(longWav, 5000));
  ASSERT_TRUE(test::writeSawWav(shortWav, 3000, 2, 22050));
  ASSERT_TRUE(plugin::importWav(host, 2, longWav, sampleimport::ImportMode::Pcm));
  ASSERT_TRUE(plugin::importWav(host, 9, shortWav, sampleimport::ImportMode::Adpcm));
  host.selectSample(2);
  test::change(host, 0x3008, 4500.0f);
  test::change(host, 0x300A, 3000.0f);
  test::change(host, 0x3009, 1000.0f);
  test::change(host, 0x3005, 261.63f);
  host.selectSample(9);
  test::change(host, 0x3007, 10.0f);
  test::change(host, 0x3005, 1046.5f);
  const std::string file = dir.file("SampleDataParameters.txt");
  EXPECT_FALSE(runFileAction(host, fa::kExportSampleParameters, file));
  EXPECT_EQ(lineCount(test::readWholeFile(file)), 2u + 128u);

  EngineHost other;
  ASSERT_TRUE(plugin::importWav(other, 2, longWav, sampleimport::ImportMode::Pcm));
  ASSERT_TRUE(plugin::importWav(other, 9, shortWav, sampleimport::ImportMode::Adpcm));
  other.selectSample(9);
  EXPECT_TRUE(runFileAction(other, fa::kImportSampleParameters, file));
  EXPECT_EQ(test::saveState(other), test::saveState(host));
  const synth::SampleData& d = other.synth->getSampleData(2);
  EXPECT_EQ(d.end, 4500);
  EXPECT_EQ(d.loopEnd, 3000);
  EXPECT_EQ(d.loopLength, 2000);
  EXPECT_EQ(d.loopTail, 0);
  EXPECT_EQ(other.synth->getSampleData(9).start, 10);
}

TEST_F(FileActionsTest, SystemExclusiveExportsWriteEveryPreset) {
  scramblePresets(*host.synth, 3);
  test::engineChanged(host);
  const std::string tones = dir.file("TonePresetSysEx.txt"), samplers = dir.file("SamplerPresetSysEx.txt");
  EXPECT_FALSE(runFileAction(host, fa::kExportToneSysEx, tones));
  EXPECT_FALSE(runFileAction(host, fa::kExportSamplerSysEx, samplers));
  std::vector<synth::TonePreset> t(synth::kToneCount);
  std::vector<synth::SamplerPreset> p(synth::kSamplerPresetCount);
  for (int32_t i = 0; i < synth::kToneCount; ++i) t[i] = host.synth->getTonePreset(i);
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) p[i] = host.synth->getSamplerPreset(i);
  EXPECT_EQ(test::readWholeFile(tones), formats::writeToneSysExText(t.data()));
  EXPECT_EQ(test::readWholeFile(samplers), formats::writeSamplerSysExText(p.data()));
  EXPECT_EQ(lineCount(test::readWholeFile(tones)), 8u + 256u);
  EXPECT_EQ(lineCount(test::readWholeFile(samplers)), 4u + 128u);
}

TEST_F(FileActionsTest, AnExportIntoAMissingFolderWritesNothing) {
  const std::string folder = dir.file("missing");
  for (int32_t tag : {fa::kExportTones, fa::kExportSamplerPresets, fa::kExportToneSysEx, fa::kExportSamplerSysEx,
                      fa::kExportSampleParameters})
    EXPECT_FALSE(runFileAction(host, tag, folder + "/out.txt"));
  EXPECT_FALSE(test::fileExists(folder));
}

TEST_F(FileActionsTest, AnEmptyOrMissingTextFileChangesNothingButAsksForARedraw) {
  scramblePresets(*host.synth, 4);
  test::engineChanged(host);
  const auto before = test::saveState(host);
  const std::string empty = dir.file("empty.txt");
  ASSERT_TRUE(test::writeWholeFile(empty, ""));
  for (int32_t tag : {fa::kImportTones, fa::kImportSamplerPresets, fa::kImportSampleParameters}) {
    EXPECT_TRUE(runFileAction(host, tag, empty));
    EXPECT_TRUE(runFileAction(host, tag, dir.file("absent.txt")));
  }
  EXPECT_EQ(test::saveState(host), before);
}

TEST_F(FileActionsTest, WavImportsInEachModeRememberTheFileAndMode) {
  const std::string wav = dir.file("saw.wav");
  ASSERT_TRUE(test::writeSawWav(wav, 1000, 2, 32000));
  host.synth->getPart(0).mode = synth::kModeSampler;
  ASSERT_FALSE(runFileAction(host, fa::kImportWavPcm | 5, wav)) << "slot 5 is not the selected one";
  host.synth->noteOn(0, 60, 100);  // sampler preset 60 plays slot 0: empty, no voice
  host.synth->getSamplerPreset(61).smplNum = 5;
  host.synth->noteOn(0, 61, 100);
  ASSERT_EQ(host.synth->getActiveVoiceCount(), 1);
  EXPECT_FALSE(runFileAction(host, fa::kImportWavDpcm | 6, wav));
  EXPECT_EQ(host.synth->getActiveVoiceCount(), 0) << "an import stops every voice";
  EXPECT_FALSE(runFileAction(host, fa::kImportWavAdpcm | 7, wav));
  EXPECT_FALSE(host.rack->isDisabled(EngineHost::kSynthSlot));

  const sampleimport::ImportMode modes[3] = {sampleimport::ImportMode::Pcm, sampleimport::ImportMode::Dpcm,
                                             sampleimport::ImportMode::Adpcm};
  for (int32_t m = 0; m < 3; ++m) {
    SCOPED_TRACE(m);
    const int32_t slot = 5 + m;
    synth::SampleData expected;
    ASSERT_EQ(sampleimport::loadWavFile(wav, modes[m], expected), sampleimport::WavLoadResult::Loaded);
    const synth::SampleData& d = host.synth->getSampleData(slot);
    ASSERT_NE(d.samples, nullptr);
    EXPECT_EQ(d.length, 1000);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.sampleRate, 32000.0f);
    EXPECT_EQ(d.start, 0);
    EXPECT_EQ(d.end, 1000);
    EXPECT_EQ(d.loopEnd, 1000);
    EXPECT_EQ(d.loopLength, 0);
    EXPECT_TRUE(std::equal(d.samples, d.samples + 2000, expected.samples));
    EXPECT_STREQ(host.getSampleFilePath(slot), wav.c_str());
    EXPECT_EQ(host.importModes[slot], modes[m]);
    const test::SlotRecord saved = test::readSlot(test::saveState(host), slot);
    EXPECT_EQ(saved.path, wav);
    EXPECT_EQ(saved.mode, m);
  }
  const synth::SampleData& pcm = host.synth->getSampleData(5);
  for (int32_t slot : {6, 7})
    EXPECT_FALSE(std::equal(pcm.samples, pcm.samples + 2000, host.synth->getSampleData(slot).samples))
        << "slot " << slot << " holds the codec's version";

  EXPECT_TRUE(runFileAction(host, fa::kImportWavDpcm | 0x80, wav)) << "slot 0, the selected one";
  EXPECT_EQ(host.importModes[0], sampleimport::ImportMode::Dpcm);
  EXPECT_FALSE(runFileAction(host, fa::kImportWavPcm | 0xFF, wav));
  EXPECT_STREQ(host.getSampleFilePath(127), wav.c_str());
}

TEST_F(FileActionsTest, AWavThatCannotBeImportedLeavesTheSlotAndItsFile) {
  const std::string wav = dir.file("good.wav");
  ASSERT_TRUE(test::writeSawWav(wav, 800));
  runFileAction(host, fa::kImportWavAdpcm | 3, wav);
  const auto before = test::saveState(host);
  for (const std::string& bad : {test::wavFixture("three-channels.wav"), test::wavFixture("float32.wav"),
                                 test::wavFixture("truncated.wav"), dir.file("absent.wav"), dir.path()}) {
    SCOPED_TRACE(bad);
    runFileAction(host, fa::kImportWavPcm | 3, bad);
    EXPECT_EQ(test::saveState(host), before);
    EXPECT_EQ(host.synth->getSampleData(3).length, 800);
  }
}

TEST_F(FileActionsTest, TagsOutsideTheTableDoNothing) {
  const auto before = test::saveState(host);
  const std::string file = dir.file("out.txt");
  for (int32_t tag : {0x0000, 0x1000, 0x1300, 0x1400, 0x1600, 0x2000, 0x2400, 0x3100, 0x9000, 0x9600, 0xA100})
    EXPECT_FALSE(runFileAction(host, tag, file)) << std::hex << tag;
  EXPECT_FALSE(test::fileExists(file));
  EXPECT_EQ(test::saveState(host), before);
}

}  // namespace

namespace {

// Every file action says what became of it, for the editor's status line.
TEST(FileActionResultTest, EveryActionSaysWhatBecameOfIt) {
  test::TempDir dir;
  ASSERT_TRUE(dir.valid());
  EngineHost host;
  auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name), std::ios::binary) << text;
    return dir.file(name);
  };
  const std::string kick = write("KICK.wav", "not a sound\n");
  const std::string empty = write("empty.wav", "");
  const std::string nothing = write("nothing.txt", "# only a comment\n");
  const std::string wav = dir.file("saw.wav");
  ASSERT_TRUE(test::writeSawWav(wav, 1234));
  using O = plugin::FileOutcome;
  struct Case {
    int32_t tag;
    std::string path;
    O outcome;
    std::string message;
  };
  const Case cases[] = {
      {0x2105, wav, O::Done, "Imported saw.wav into slot 5 (1234 frames)"},
      {0x2105, kick, O::Refused, "Refused KICK.wav: not a RIFF/WAVE file"},
      {0x2105, empty, O::Refused, "Refused empty.wav: empty file"},
      {0x2105, test::wavFixture("extensible24.wav"), O::Refused,
       "Refused extensible24.wav: extensible WAV format (0xFFFE) is not supported, only integer PCM"},
      {0x2105, dir.file("missing.wav"), O::Unreadable, "Could not read " + dir.file("missing.wav")},
      {0x1100, nothing, O::Refused, "Refused nothing.txt: no tone preset (@I) lines"},
      {0x1200, nothing, O::Refused, "Refused nothing.txt: no sampler preset (@S) lines"},
      {0x9100, "/no/such/dir/x.txt", O::Unwritable, "Could not write /no/such/dir/x.txt"},
      {0x9200, dir.file("SamplerPresets.txt"), O::Done,
       "Exported 128 sampler presets to " + dir.file("SamplerPresets.txt")},
      {0x1200, dir.file("SamplerPresets.txt"), O::Done, "Imported 128 sampler presets from SamplerPresets.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    plugin::FileActionResult result;
    runFileAction(host, c.tag, c.path, &result);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(plugin::describeFileAction(c.tag, c.path, result.outcome, result.count, result.reason), c.message);
  }
  EXPECT_EQ(host.model.slots[5].length, 1234) << "the refusals after the import changed nothing";
}

}  // namespace

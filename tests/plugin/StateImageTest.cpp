// The saved state image: its layout, save-load-save identity with sample
// files in every mode, older versions, the play range and loop rules,
// missing files, and images that are short, malformed or random.
#include "tests/plugin/EngineHostSupport.h"
#include "tests/plugin/TestFiles.h"

#include "plugin/FileActions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

using namespace ovri::korvane;
using test::change;
using test::loadState;
using test::saveState;

class StateImageTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.valid());
    ASSERT_TRUE(test::writeSawWav(longWav, 5000));
    ASSERT_TRUE(test::writeSawWav(stereoWav, 2000, 2, 22050));
    ASSERT_TRUE(test::copyFileTo(test::wavFixture("pcm16-stereo.wav"), fixtureCopy));
  }

  // Edits in every section and recordings in slots 1 to 4: PCM with a loop,
  // DPCM, ADPCM, and a copy of a fixture with its own rate, pitch and points.
  // Part 0 plays them on keys 60 to 63; part 1 plays an edited FM tone.
  void buildProject(EngineHost& h) {
    change(h, 0x0083, 0.0f);
    change(h, 0x0001, 0.5f);
    change(h, 0x0002, 0.25f);
    change(h, 0x0090, 0.75f);  // 256 voices
    h.synth->getPart(0).mode = synth::kModeSampler;
    h.synth->getPart(0).output = 2;
    synth::PartState& p1 = h.synth->getPart(1);
    p1.program = 7, p1.bendRange = 12, p1.controllers[7] = 90, p1.controllers[10] = 30, p1.pitchBend = 9000;
    synth::TonePreset& t = h.synth->getTonePreset(7);
    std::memcpy(t.presetName, "Bright Bell 7   ", 16);
    t.strc = 5, t.fl = 90, t.lfoFreq = 3000, t.mul[1] = 3, t.tl[1] = 20, t.wave[2] = 4;
    for (int32_t k = 0; k < 4; ++k) h.synth->getSamplerPreset(60 + k).smplNum = 1 + k;
    h.synth->getSamplerPreset(62).octv = 9;
    ASSERT_TRUE(plugin::importWav(h, 1, longWav, sampleimport::ImportMode::Pcm));
    ASSERT_TRUE(plugin::importWav(h, 2, longWav, sampleimport::ImportMode::Dpcm));
    ASSERT_TRUE(plugin::importWav(h, 3, stereoWav, sampleimport::ImportMode::Adpcm));
    ASSERT_TRUE(plugin::importWav(h, 4, fixtureCopy, sampleimport::ImportMode::Pcm));
    h.selectSample(1);
    change(h, 0x300A, 3000.0f);
    change(h, 0x3009, 1000.0f);
    change(h, 0x3005, 440.0f);
    h.selectSample(4);  // 32 frames: play 3..20, loop 5..20
    synth::SampleData& d = h.synth->getSampleData(4);
    d.start = 3, d.end = 20, d.loopEnd = 20, d.loopLength = 15, d.loopTail = 15;
    change(h, 0x3004, 12345.0f);
    change(h, 0x3005, 220.0f);
    h.selectSample(0);
  }

  test::TempDir dir;
  const std::string longWav = dir.file("long.wav");
  const std::string stereoWav = dir.file("stereo.wav");
  const std::string fixtureCopy = dir.file("fixture.wav");
};

// Offset of the start point in a present slot's record.
size_t pointsAt(const std::vector<uint8_t>& image, int32_t slot) {
  const size_t at = test::layout::slot(image, slot);
  return at + 1 + 4 + static_cast<size_t>(test::getI32(image, at + 1)) + 1 + 8;
}

// The same image in an older version: no part outputs before version 3, no
// import modes before version 2.
std::vector<uint8_t> downgrade(const std::vector<uint8_t>& image, uint8_t version) {
  std::vector<uint8_t> out(image.begin(), image.begin() + 13);
  out[0] = version;
  for (int32_t p = 0; p < 16; ++p) {
    const auto part = image.begin() + static_cast<long>(test::layout::part(p));
    out.insert(out.end(), part + (version < 3 ? 1 : 0), part + 11);
  }
  out.insert(out.end(), image.begin() + static_cast<long>(test::layout::tone(0)),
             image.begin() + static_cast<long>(test::layout::kSlots));
  for (int32_t s = 0; s < 128; ++s) {
    const size_t at = test::layout::slot(image, s);
    if (image[at] == 0) {
      out.push_back(0);
      continue;
    }
    const size_t mode = at + 5 + static_cast<size_t>(test::getI32(image, at + 1));
    out.insert(out.end(), image.begin() + static_cast<long>(at), image.begin() + static_cast<long>(mode));
    out.insert(out.end(), image.begin() + static_cast<long>(mode + (version < 2 ? 1 : 0)),
               image.begin() + static_cast<long>(mode + 25));
  }
  return out;
}

bool sameSamples(const synth::SampleData& a, const synth::SampleData& b) {
  if (a.samples == nullptr || b.samples == nullptr || a.length != b.length || a.channels != b.channels) return false;
  return std::equal(a.samples, a.samples + a.length * a.channels, b.samples);
}

TEST_F(StateImageTest, AnImageWithoutSamplesHasTheFixedLayout) {
  EngineHost host;
  synth::TonePreset& t = host.synth->getTonePreset(3);
  t.tl[2] = 300;
  t.lfoFreq = 0x12345;
  host.synth->getPart(4).output = 9;
  host.synth->getSamplerPreset(5).rr = 77;
  const std::vector<uint8_t> image = saveState(host);
  ASSERT_EQ(image.size(), 22845u);
  EXPECT_EQ(image[0], 3);
  EXPECT_EQ(test::getF32(image, test::layout::kMasterVolume), 0.8f);
  EXPECT_EQ(test::getF32(image, test::layout::kMasterTune), 440.0f);
  EXPECT_EQ(image[test::layout::kPolyphony] | image[test::layout::kPolyphony + 1] << 8, 128);
  EXPECT_EQ(image[test::layout::part(4)], 9);
  EXPECT_EQ(image[test::layout::part(4) + 5] | image[test::layout::part(4) + 6] << 8, 8192);
  EXPECT_EQ(image[test::layout::tone(3) + test::layout::operatorField(2, 6)], 44) << "300 saved as its low byte";
  EXPECT_EQ(image[test::layout::tone(3) + 19] | image[test::layout::tone(3) + 20] << 8, 0x2345);
  EXPECT_EQ(image[test::layout::sampler(5) + 25], 77);
  for (size_t at = test::layout::kSlots; at < image.size(); ++at) EXPECT_EQ(image[at], 0) << at;

  EngineHost other;
  ASSERT_TRUE(loadState(other, image));
  EXPECT_EQ(other.synth->getTonePreset(3).tl[2], 44);
  EXPECT_EQ(other.synth->getTonePreset(3).lfoFreq, 0x2345);
}

TEST_F(StateImageTest, SaveLoadSaveGivesTheSameBytesAndNothingOfThePreviousState) {
  EngineHost project;
  buildProject(project);
  const std::vector<uint8_t> image = saveState(project);
  EXPECT_EQ(test::readSlot(image, 1).loopStart, 1000);
  EXPECT_EQ(test::readSlot(image, 3).mode, 2);

  EngineHost other;  // with data of its own, all of which the load replaces
  ASSERT_TRUE(plugin::importWav(other, 10, stereoWav, sampleimport::ImportMode::Dpcm));
  ASSERT_TRUE(plugin::importWav(other, 1, stereoWav, sampleimport::ImportMode::Adpcm));
  change(other, 0x0090, 1.0f);
  other.synth->getTonePreset(200).key = 3;
  other.synth->getPart(9).output = 15;
  ASSERT_TRUE(loadState(other, image));
  EXPECT_EQ(saveState(other), image);
  for (int32_t slot = 1; slot <= 4; ++slot)
    EXPECT_TRUE(sameSamples(other.synth->getSampleData(slot), project.synth->getSampleData(slot))) << slot;
  EXPECT_EQ(other.synth->getSampleData(10).samples, nullptr);
  EXPECT_EQ(other.synth->getPolyphony(), 256);
  EXPECT_EQ(other.synth->getMasterVolume(), 0.5f);

  ASSERT_TRUE(loadState(project, image));
  EXPECT_EQ(saveState(project), image);
}

TEST_F(StateImageTest, ALoadedProjectSoundsTheSameInAFreshAndInAUsedInstance) {
  EngineHost project;
  buildProject(project);
  synth::TonePreset& t = project.synth->getTonePreset(7);
  t.lfoWave = 3, t.lms[0] = 9, t.lms[1] = 12, t.strc = 8 + 5;  // noise LFO on pitch and level
  const std::vector<uint8_t> image = saveState(project);

  EngineHost fresh, used;
  {
    test::HostRenderer warmUp(used);
    ASSERT_TRUE(plugin::importWav(used, 9, stereoWav, sampleimport::ImportMode::Dpcm));
    used.synth->getPart(3).mode = synth::kModeSampler;
    used.synth->getSamplerPreset(40).smplNum = 9;
    used.synth->controlChange(1, 64, 127);
    used.synth->controlChange(1, 101, 0);
    used.synth->controlChange(1, 100, 0);
    for (int32_t key = 30; key < 90; key += 3) warmUp.noteOn(key % 4, key, 80 + key % 40);
    warmUp.noteOn(3, 40, 100);
    warmUp.render(2000);
  }
  ASSERT_TRUE(loadState(fresh, image));
  ASSERT_TRUE(loadState(used, image));
  test::HostRenderer a(project), b(fresh), c(used);
  for (test::HostRenderer* r : {&a, &b, &c}) {
    for (int32_t key = 60; key < 64; ++key) r->noteOn(0, key, 100);
    r->noteOn(1, 64, 90);
    r->noteOn(1, 67, 70);
    r->render(4000);
    for (int32_t key = 60; key < 64; ++key) r->noteOff(0, key);
    r->noteOff(1, 64);
    r->render(2000);
  }
  ASSERT_TRUE(test::hasSound(a.channel(4))) << "the sampler part on output 2";
  ASSERT_TRUE(test::hasSound(a.channel(0))) << "the FM part on output 0";
  EXPECT_EQ(b.all(), a.all());
  EXPECT_EQ(c.all(), a.all());
}

TEST_F(StateImageTest, OlderVersionsLoadAndPartsKeepTheirOutput) {
  EngineHost project;
  buildProject(project);
  const std::vector<uint8_t> image = saveState(project);
  for (uint8_t version : {1, 2}) {
    SCOPED_TRACE(static_cast<int>(version));
    const std::vector<uint8_t> old = downgrade(image, version);
    EngineHost host;
    for (int32_t p = 0; p < 16; ++p) host.synth->getPart(p).output = 7;
    ASSERT_TRUE(loadState(host, old));
    EXPECT_EQ(host.synth->getPart(0).output, 7);
    EXPECT_EQ(host.synth->getPart(0).mode, synth::kModeSampler);
    EXPECT_EQ(host.synth->getPart(1).pitchBend, 9000);
    EXPECT_EQ(host.synth->getTonePreset(7).strc, 5);
    EXPECT_EQ(host.synth->getSampleData(1).loopLength, 2000);
    const std::vector<uint8_t> saved = saveState(host);
    EXPECT_EQ(test::readSlot(saved, 3).mode, version < 2 ? 0 : 2);
    if (version < 2) {
      EngineHost plain;
      ASSERT_TRUE(plugin::importWav(plain, 3, stereoWav, sampleimport::ImportMode::Pcm));
      EXPECT_TRUE(sameSamples(host.synth->getSampleData(3), plain.synth->getSampleData(3)));
    }
  }
  std::vector<uint8_t> later = image;
  later[0] = 9;  // read as version 3
  EngineHost host;
  ASSERT_TRUE(loadState(host, later));
  EXPECT_EQ(saveState(host), image);
}

TEST_F(StateImageTest, VersionZeroIsRefusedWithNothingChanged) {
  EngineHost project;
  buildProject(project);
  std::vector<uint8_t> image = saveState(project);
  image[0] = 0;
  EngineHost host;
  host.synth->noteOn(0, 60, 100);
  const std::vector<uint8_t> before = saveState(host);
  EXPECT_FALSE(loadState(host, image));
  EXPECT_EQ(saveState(host), before);
  EXPECT_EQ(host.synth->getActiveVoiceCount(), 1) << "the note plays on";
}

TEST_F(StateImageTest, SavedPointsAreCheckedAgainstTheReimportedRecording) {
  EngineHost project;
  ASSERT_TRUE(plugin::importWav(project, 1, longWav, sampleimport::ImportMode::Pcm));
  const std::vector<uint8_t> image = saveState(project);
  const size_t at = pointsAt(image, 1);
  struct Case {
    int32_t start, end, loopStart, loopEnd;
    int32_t wantStart, wantEnd, wantLoopEnd, wantLoopLength, wantLoopTail;
  };
  const Case cases[] = {
      {0, 5000, 1000, 2000, 0, 5000, 2000, 1000, 0},
      {0, 5000, 3000, 5000, 0, 5000, 5000, 2000, 2000},
      {0, 6000, 1000, 2000, 0, 5000, 2000, 1000, 0},  // end beyond the file: the import's range
      {0, 6000, 4000, 5500, 0, 5000, 5000, 0, 0},     // ... and the loop tested against it
      {-5, 100, 0, 0, 0, 5000, 5000, 0, 0},           // no start before the data
      {500, 4000, 100, 2000, 500, 4000, 4000, 0, 0},  // loop before the start
      {500, 4000, 600, 600, 500, 4000, 4000, 0, 0},   // empty loop
      {500, 4000, 600, 4000, 500, 4000, 4000, 3400, 3400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.start << " " << c.end << " " << c.loopStart << " " << c.loopEnd);
    std::vector<uint8_t> patched = image;
    test::putI32(patched, at, c.start);
    test::putI32(patched, at + 4, c.end);
    test::putI32(patched, at + 8, c.loopStart);
    test::putI32(patched, at + 12, c.loopEnd);
    EngineHost host;
    ASSERT_TRUE(loadState(host, patched));
    const synth::SampleData& d = host.synth->getSampleData(1);
    EXPECT_EQ(d.start, c.wantStart);
    EXPECT_EQ(d.end, c.wantEnd);
    EXPECT_EQ(d.loopEnd, c.wantLoopEnd);
    EXPECT_EQ(d.loopLength, c.wantLoopLength);
    EXPECT_EQ(d.loopTail, c.wantLoopTail);
  }
}

TEST_F(StateImageTest, AFileThatShrankKeepsTheImportsRangeAndTheLoopInsideIt) {
  EngineHost project;
  ASSERT_TRUE(plugin::importWav(project, 1, longWav, sampleimport::ImportMode::Pcm));
  project.selectSample(1);
  change(project, 0x3008, 4500.0f);
  change(project, 0x300A, 2000.0f);
  change(project, 0x3009, 1000.0f);
  const std::vector<uint8_t> image = saveState(project);
  ASSERT_TRUE(test::writeSawWav(longWav, 3000));
  EngineHost host;
  ASSERT_TRUE(loadState(host, image));
  const synth::SampleData& d = host.synth->getSampleData(1);
  EXPECT_EQ(d.length, 3000);
  EXPECT_EQ(d.end, 3000);
  EXPECT_EQ(d.loopEnd, 2000);
  EXPECT_EQ(d.loopLength, 1000);
  EXPECT_EQ(d.loopTail, 0);
}

TEST_F(StateImageTest, AMissingFileSilencesItsSlotAndIsSavedAsTheImageSaidIt) {
  EngineHost project;
  buildProject(project);
  const std::vector<uint8_t> image = saveState(project);
  ASSERT_TRUE(std::filesystem::remove(fixtureCopy));

  EngineHost host;
  ASSERT_TRUE(loadState(host, image)) << "a missing file does not stop the load";
  EXPECT_EQ(host.synth->getSampleData(4).samples, nullptr);
  EXPECT_EQ(host.synth->getSampleData(4).length, 0);
  for (int32_t slot = 1; slot <= 3; ++slot) EXPECT_NE(host.synth->getSampleData(slot).samples, nullptr) << slot;
  EXPECT_EQ(host.synth->getTonePreset(7).strc, 5);
  EXPECT_STREQ(host.getSampleFilePath(4), fixtureCopy.c_str());
  host.synth->noteOn(0, 63, 100);  // sampler preset 63 plays slot 4
  EXPECT_EQ(host.synth->getActiveVoiceCount(), 0);

  const std::vector<uint8_t> again = saveState(host);
  EXPECT_EQ(again, image) << "path, mode, rate, pitch and points as the image had them";
  const test::SlotRecord slot = test::readSlot(again, 4);
  EXPECT_EQ(slot.start, 3);
  EXPECT_EQ(slot.loopStart, 5);
  EXPECT_EQ(slot.sampleRate, 12345.0f);

  // The file is back: the next load plays it with the saved points.
  ASSERT_TRUE(test::copyFileTo(test::wavFixture("pcm16-stereo.wav"), fixtureCopy));
  ASSERT_TRUE(loadState(host, again));
  const synth::SampleData& d = host.synth->getSampleData(4);
  EXPECT_NE(d.samples, nullptr);
  EXPECT_EQ(d.start, 3);
  EXPECT_EQ(d.end, 20);
  EXPECT_EQ(d.loopLength, 15);
}

TEST_F(StateImageTest, ASlotTheImageDoesNotNameIsClearedAndForgotten) {
  EngineHost projectA, projectB;
  buildProject(projectA);
  projectB.synth->getTonePreset(0).strc = 3;
  const std::vector<uint8_t> a = saveState(projectA), b = saveState(projectB);

  EngineHost host;
  ASSERT_TRUE(loadState(host, a));
  ASSERT_TRUE(loadState(host, b));
  for (int32_t slot = 0; slot < synth::kSampleSlotCount; ++slot) {
    EXPECT_EQ(host.synth->getSampleData(slot).samples, nullptr) << slot;
    EXPECT_EQ(host.synth->getSampleData(slot).length, 0) << slot;
    EXPECT_EQ(host.getSampleFilePath(slot), nullptr) << slot;
    EXPECT_EQ(host.importModes[slot], sampleimport::ImportMode::Pcm) << slot;
  }
  const std::vector<uint8_t> saved = saveState(host);
  EXPECT_EQ(saved, b);
  const std::string text(saved.begin(), saved.end());
  EXPECT_EQ(text.find(dir.path()), std::string::npos) << "no file of project A";

  // The same when A's files went missing before the second load.
  ASSERT_TRUE(loadState(host, a));
  ASSERT_TRUE(std::filesystem::remove(fixtureCopy));
  ASSERT_TRUE(loadState(host, a));
  ASSERT_TRUE(loadState(host, b));
  EXPECT_EQ(saveState(host), b);
}

TEST_F(StateImageTest, TheMasterVolumeAndTuneOfTheImageAreStored) {
  EngineHost empty;
  std::vector<uint8_t> image = saveState(empty);
  test::putF32(image, test::layout::kMasterVolume, 0.3f);
  test::putF32(image, test::layout::kMasterTune, 452.5f);
  EngineHost host;
  ASSERT_TRUE(loadState(host, image));
  EXPECT_EQ(host.synth->getMasterVolume(), 0.3f);
  EXPECT_EQ(host.synth->getMasterTune(), 452.5f);
  EXPECT_EQ(saveState(host), image);
}

TEST_F(StateImageTest, ANonFiniteFloatFailsTheReadWhereItStands) {
  EngineHost project;
  buildProject(project);
  const std::vector<uint8_t> image = saveState(project);
  const size_t slot1 = pointsAt(image, 1) - 8;  // sampleRate, then pitch
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity()};
  for (size_t at : {test::layout::kMasterVolume, test::layout::kMasterTune, slot1, slot1 + 4}) {
    for (float value : odd) {
      SCOPED_TRACE(::testing::Message() << "offset " << at << " value " << value);
      std::vector<uint8_t> patched = image;
      test::putF32(patched, at, value);
      EngineHost host, cut;
      EXPECT_FALSE(loadState(host, patched));
      EXPECT_FALSE(loadState(cut, std::vector<uint8_t>(image.begin(), image.begin() + static_cast<long>(at))));
      EXPECT_EQ(saveState(host), saveState(cut)) << "as if the image ended there";
      EXPECT_TRUE(std::isfinite(host.synth->getMasterVolume()));
      EXPECT_TRUE(std::isfinite(host.synth->getMasterTune()));
      EXPECT_EQ(host.synth->getSampleData(2).samples, nullptr);
    }
  }
}

TEST_F(StateImageTest, ABadPathLengthRefusesTheWholeImage) {
  EngineHost project;
  ASSERT_TRUE(plugin::importWav(project, 0, stereoWav, sampleimport::ImportMode::Pcm));
  ASSERT_TRUE(plugin::importWav(project, 5, longWav, sampleimport::ImportMode::Dpcm));
  const std::vector<uint8_t> image = saveState(project);
  const size_t at = test::layout::slot(image, 5) + 1;  // N
  const int32_t n = test::getI32(image, at);
  ASSERT_EQ(n, static_cast<int32_t>(longWav.size() + 1));
  const int32_t left = static_cast<int32_t>(image.size() - at - 4);

  EngineHost cut;
  EXPECT_FALSE(loadState(cut, std::vector<uint8_t>(image.begin(), image.begin() + static_cast<long>(at))));
  const std::vector<uint8_t> expected = saveState(cut);
  for (int32_t bad : {0, -1, INT32_MIN, 4097, INT32_MAX, left + 1}) {
    SCOPED_TRACE(bad);
    std::vector<uint8_t> patched = image;
    test::putI32(patched, at, bad);
    EngineHost host;
    EXPECT_FALSE(loadState(host, patched));
    EXPECT_EQ(saveState(host), expected);
  }
  std::vector<uint8_t> unterminated = image;
  unterminated[at + 4 + static_cast<size_t>(n) - 1] = 'x';
  EngineHost host;
  EXPECT_FALSE(loadState(host, unterminated));
  EXPECT_EQ(saveState(host), expected);
  EXPECT_EQ(host.synth->getSampleData(0).samples, nullptr) << "slot 0 came before, and is not loaded either";
}

TEST_F(StateImageTest, APathOfTheLongestLengthIsKept) {
  EngineHost project;
  std::vector<uint8_t> image = saveState(project);
  const std::string path = "/" + std::string(4094, 'p');  // 4095 bytes and the zero
  std::vector<uint8_t> record = {1};
  record.resize(5);
  test::putI32(record, 1, 4096);
  record.insert(record.end(), path.begin(), path.end());
  record.push_back(0);
  record.push_back(1);  // DPCM
  record.resize(record.size() + 24);
  test::putF32(record, record.size() - 24, 8000.0f);
  image.erase(image.begin() + static_cast<long>(test::layout::slot(image, 6)));
  image.insert(image.begin() + static_cast<long>(test::layout::slot(image, 6)), record.begin(), record.end());

  EngineHost host;
  ASSERT_TRUE(loadState(host, image));
  EXPECT_EQ(host.getSampleFilePath(6), path);
  EXPECT_EQ(host.synth->getSampleData(6).sampleRate, 8000.0f);
  EXPECT_EQ(saveState(host), image);
}

TEST_F(StateImageTest, AnImageCutAnywhereLoadsAsFarAsItGoes) {
  EngineHost project;
  ASSERT_TRUE(plugin::importWav(project, 0, stereoWav, sampleimport::ImportMode::Adpcm));
  ASSERT_TRUE(plugin::importWav(project, 127, fixtureCopy, sampleimport::ImportMode::Pcm));
  change(project, 0x0090, 0.25f);
  const std::vector<uint8_t> image = saveState(project);
  EngineHost host;
  for (size_t length = 0; length < image.size(); ++length) {
    const std::vector<uint8_t> part(image.begin(), image.begin() + static_cast<long>(length));
    ASSERT_FALSE(loadState(host, part)) << length;
  }
  ASSERT_TRUE(loadState(host, image));
  EXPECT_EQ(saveState(host), image);

  // A cut inside the header applies what came before it.
  EngineHost early;
  EXPECT_FALSE(loadState(early, std::vector<uint8_t>(image.begin(), image.begin() + 11)));
  EXPECT_EQ(early.synth->getPolyphony(), 128);
  EXPECT_FALSE(loadState(early, std::vector<uint8_t>(image.begin(), image.begin() + 12)));
  EXPECT_EQ(early.synth->getPolyphony(), 128) << "half a polyphony value";
}

TEST_F(StateImageTest, RandomAndDamagedImagesLoadWithoutHarm) {
  std::mt19937 random(20240607);
  EngineHost host;
  for (int32_t round = 0; round < 300; ++round) {
    std::vector<uint8_t> bytes(random() % 22845);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    ASSERT_FALSE(loadState(host, bytes)) << round;
  }

  EngineHost project;
  buildProject(project);
  const std::vector<uint8_t> image = saveState(project);
  for (int32_t round = 0; round < 300; ++round) {
    std::vector<uint8_t> damaged = image;
    for (int32_t i = 0; i < 4; ++i) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    // The slot records and the parts (modes, outputs) most of the time.
    for (int32_t i = 0; i < 4; ++i) {
      const size_t from = round % 2 == 0 ? test::layout::kSlots : test::layout::part(0);
      damaged[from + random() % (damaged.size() - from)] = static_cast<uint8_t>(random());
    }
    loadState(host, damaged);
    if (round % 10 == 0) {  // and it plays
      test::HostRenderer renderer(host);
      for (int32_t part = 0; part < 16; ++part) renderer.noteOn(part, 60 + part % 4, 100);
      renderer.render(512);
    }
    // Whatever it took, what the host saves next can be read back.
    const std::vector<uint8_t> saved = saveState(host);
    EngineHost* target = round % 50 == 0 ? &project : &host;
    ASSERT_TRUE(loadState(*target, saved)) << round;
    ASSERT_EQ(saveState(*target), saved) << round;
  }
}

TEST_F(StateImageTest, WhateverTheEditorSetsIsSavedAndLoadedAlike) {
  EngineHost host;
  buildProject(host);
  std::mt19937 random(77);
  std::vector<int32_t> tags = {0x0001, 0x0002, 0x0081, 0x0083, 0x0084, 0x0090, 0x0101, 0x0102, 0x0103,
                               0x0104, 0x0105, 0x0106, 0x0107, 0x0108, 0x0109, 0x0181, 0x0182, 0x0183,
                               0x0190, 0x1001, 0x1003, 0x1004, 0x1005, 0x1006, 0x1007, 0x1008, 0x1081,
                               0x2001, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A,
                               0x200B, 0x2081, 0x3001, 0x3004, 0x3005, 0x3007, 0x3008, 0x3009, 0x300A};
  for (int32_t j = 0; j < 4; ++j)
    for (int32_t k = 0; k < 12; ++k) tags.push_back(0x1010 + 0x10 * j + k);
  std::uniform_real_distribution<float> unit(-0.25f, 1.25f), frames(-100.0f, 5200.0f), hertz(-10.0f, 96000.0f);
  for (int32_t step = 0; step < 3000; ++step) {
    const int32_t tag = tags[random() % tags.size()];
    float value = unit(random);
    if (tag == 0x3004 || tag == 0x3005) value = hertz(random);
    if (tag >= 0x3007 && tag <= 0x300A) value = frames(random);
    if (tag == 0x3001) value = static_cast<float>(random() % 6) / 127.0f;  // mostly the slots in use
    if (tag == 0x0090 && random() % 4 != 0) continue;                      // rebuilding voices is slow
    if (random() % 50 == 0) value = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(change(host, tag, value).has_value()) << std::hex << tag;
    if (step % 500 == 0) {
      test::HostRenderer renderer(host);
      for (int32_t part = 0; part < 16; ++part) renderer.noteOn(part, 58 + part % 8, 100);
      renderer.render(300);
    }
  }
  const std::vector<uint8_t> image = saveState(host);
  EngineHost other;
  ASSERT_TRUE(loadState(other, image));
  EXPECT_EQ(saveState(other), image);
}

}  // namespace

// The "Sustain Pedal (CC 64)" switch: off, every event reaches the engine
// as it came; on, note-offs under the pedal wait for pedal-up, to the
// sample; the switch lives in the state trailer, and images saved before
// it existed load with it off.
#include "tests/plugin/ProcessorFixture.h"

#include "plugin/EditorProtocol.h"
#include "plugin/StateImage.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <string>
#include <vector>

namespace {

using namespace ovri::korvane;
using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr ParamID kPedalChannel0 = 0x10040;  // channel 0, CC 64
constexpr int32 kNoteOn = 0x90;
constexpr int32 kNoteOff = 0x80;

class SustainPedalTest : public test::ProcessorFixture {
protected:
  void pedalSwitch(double value) {
    IPtr<HostMessage> m = owned(new HostMessage);
    m->setMessageID(protocol::message::kValueChange);
    m->getAttributes()->setInt(protocol::attribute::kTag, protocol::tags::kSustainPedal);
    m->getAttributes()->setFloat(protocol::attribute::kValue, value);
    processor->notify(m);
  }
  bool trailerPedal(const std::vector<uint8_t>& bytes) {
    plugin::StateImage image;
    plugin::parseStateImage(bytes.data(), bytes.size(), image);
    return plugin::readStateTrailer(bytes.data(), bytes.size(), image.bytesRead).sustainPedal;
  }
  // The notes of the last block as "on 60 @10", "off 60 @50", in order.
  std::vector<std::string> notes() const {
    std::vector<std::string> list;
    for (const MidiEvent* e : executed) {
      if (e->status != kNoteOn && e->status != kNoteOff) continue;
      list.push_back(std::string(e->status == kNoteOn && e->data2 > 0 ? "on " : "off ") + std::to_string(e->data1) +
                     " @" + std::to_string(e->sampleOffset));
    }
    return list;
  }
};

using Notes = std::vector<std::string>;

TEST_F(SustainPedalTest, OffEveryNoteOffPassesAtItsOwnSample) {
  EXPECT_FALSE(processor->isSustainPedalOn()) << "the switch is off after start";
  changes.add(kPedalChannel0, 5, 1.0);
  events.addNoteOn(10, 0, 60, 1.0f);
  events.addNoteOff(50, 0, 60, 0.0f);
  process(kFrames);
  EXPECT_EQ(notes(), (Notes{"on 60 @10", "off 60 @50"}));
}

TEST_F(SustainPedalTest, OnANoteOffUnderThePedalEndsAtPedalUpToTheSample) {
  pedalSwitch(1.0);
  EXPECT_TRUE(processor->isSustainPedalOn());
  changes.add(kPedalChannel0, 5, 1.0);
  events.addNoteOn(10, 0, 60, 1.0f);
  events.addNoteOn(12, 0, 64, 1.0f);
  events.addNoteOff(50, 0, 60, 0.0f);
  events.addNoteOn(60, 1, 67, 1.0f);  // another part: no pedal there
  events.addNoteOff(70, 1, 67, 0.0f);
  process(kFrames);
  EXPECT_EQ(notes(), (Notes{"on 60 @10", "on 64 @12", "on 67 @60", "off 67 @70"}));
  process(kFrames);
  EXPECT_EQ(notes(), Notes{});
  changes.add(kPedalChannel0, 77, 0.0);
  process(kFrames);
  EXPECT_EQ(notes(), Notes{"off 60 @77"}) << "key 64 is still down and keeps sounding";
  events.addNoteOff(3, 0, 64, 0.0f);
  process(kFrames);
  EXPECT_EQ(notes(), Notes{"off 64 @3"}) << "the pedal is up: note-offs pass";
}

TEST_F(SustainPedalTest, AHeldKeyStruckAgainIsReleasedThenStartsAgain) {
  pedalSwitch(1.0);
  changes.add(kPedalChannel0, 0, 100.0 / 127.0);
  events.addNoteOn(10, 0, 60, 1.0f);
  events.addNoteOff(20, 0, 60, 0.0f);
  events.addNoteOn(100, 0, 60, 0.5f);
  events.addNoteOff(120, 0, 60, 0.0f);
  process(kFrames);
  EXPECT_EQ(notes(), (Notes{"on 60 @10", "off 60 @100", "on 60 @100"}));
  changes.add(kPedalChannel0, 9, 63.0 / 127.0);  // 63: up
  process(kFrames);
  EXPECT_EQ(notes(), Notes{"off 60 @9"});
}

TEST_F(SustainPedalTest, SwitchingOffReleasesWhatThePedalHolds) {
  pedalSwitch(1.0);
  changes.add(kPedalChannel0, 0, 1.0);
  events.addNoteOn(10, 0, 60, 1.0f);
  events.addNoteOff(20, 0, 60, 0.0f);
  process(kFrames);
  pedalSwitch(0.0);
  EXPECT_FALSE(processor->isSustainPedalOn());
  events.addNoteOn(30, 0, 62, 1.0f);
  events.addNoteOff(40, 0, 62, 0.0f);
  process(kFrames);
  EXPECT_EQ(notes(), (Notes{"off 60 @0", "on 62 @30", "off 62 @40"}));
}

TEST_F(SustainPedalTest, TheSwitchRoundTripsInTheTrailerAndOldImagesLoadWithItOff) {
  const std::vector<uint8_t> off = saved();
  EXPECT_FALSE(trailerPedal(off));
  pedalSwitch(1.0);
  const std::vector<uint8_t> on = saved();
  EXPECT_TRUE(trailerPedal(on));
  ASSERT_EQ(on.size(), off.size()) << "the trailer keeps its length";
  EXPECT_EQ(on.back(), off.back() | 0x02) << "bit 1 of the trailer's flags";

  // An image of before the trailer, and one with a bypass-only trailer.
  plugin::StateImage image;
  plugin::parseStateImage(on.data(), on.size(), image);
  const std::vector<uint8_t> bare(on.begin(), on.begin() + static_cast<std::ptrdiff_t>(image.bytesRead));
  std::vector<uint8_t> bypassOnly = bare;
  plugin::appendStateTrailer(bypassOnly, {false});
  for (const std::vector<uint8_t>* old : {&bare, static_cast<const std::vector<uint8_t>*>(&bypassOnly)}) {
    pedalSwitch(1.0);
    ASSERT_EQ(load(*old), kResultOk);
    EXPECT_FALSE(processor->isSustainPedalOn());
    EXPECT_FALSE(trailerPedal(saved()));
  }
  ASSERT_EQ(load(on), kResultOk);
  EXPECT_TRUE(processor->isSustainPedalOn());
  EXPECT_EQ(saved(), on);
}

}  // namespace

namespace {

// Pedal moves and note-offs in the same block: a note-off is judged by where
// the pedal stands at its own sample, whatever order the host lists them in.
TEST_F(SustainPedalTest, ANoteOffFollowsThePedalAtItsOwnSample) {
  const struct {
    const char* what;
    double pedalBefore;  // at the end of the block before
    std::vector<std::pair<int32, double>> pedal;
    int32 noteOffAt;
    Notes expected;  // the note-offs of this block
  } cases[] = {
      {"pedal down after the note-off", 0.0, {{100, 1.0}}, 50, {"off 60 @50"}},
      {"pedal up after the note-off", 1.0, {{100, 0.0}}, 50, {"off 60 @100"}},
      {"pedal up then down again", 1.0, {{80, 0.0}, {90, 1.0}}, 50, {"off 60 @80"}},
      {"pedal up at the note-off's sample", 1.0, {{50, 0.0}}, 50, {"off 60 @50"}},
      {"pedal down at the note-off's sample", 0.0, {{50, 1.0}}, 50, {}},
  };
  pedalSwitch(1.0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    changes.add(kPedalChannel0, 0, c.pedalBefore);
    events.addNoteOn(0, 0, 60, 1.0f);
    process(kFrames);
    for (const auto& [offset, value] : c.pedal) changes.add(kPedalChannel0, offset, value);
    events.addNoteOff(c.noteOffAt, 0, 60, 0.0f);
    process(kFrames);
    Notes offs;
    for (const std::string& n : notes())
      if (n.rfind("off", 0) == 0) offs.push_back(n);
    EXPECT_EQ(offs, c.expected);
    changes.add(kPedalChannel0, 0, 0.0);  // the next case starts with every key up
    process(kFrames);
  }
}

}  // namespace

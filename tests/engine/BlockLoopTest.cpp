// The block loop in use against the reference loop, in which every
// sounding voice catches up before every event: random event streams over
// random tones, block sizes and pool sizes give identical output.
#include "tests/engine/EngineHarness.h"
#include "tests/tonegen/RandomTones.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using namespace ovri::korvane;
using test::EngineHarness;

struct Pair {
  EngineHarness current{512};
  EngineHarness reference{512};

  template <typename Fn> void both(Fn fn) {
    fn(current);
    fn(reference);
  }
};

void runStream(uint32_t seed, int32_t polyphony, int32_t blocks, int32_t eventsPerBlock, synth::VectorLevel level) {
  SCOPED_TRACE(testing::Message() << "seed " << seed << ", polyphony " << polyphony << ", level "
                                  << static_cast<int32_t>(level));
  std::mt19937 rng(seed);
  auto pick = [&rng](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
  Pair pair;
  pair.reference.synth->setReferenceBlockLoop(true);
  pair.reference.synth->setVectorLevel(synth::VectorLevel::Scalar);
  pair.current.synth->setVectorLevel(level);
  for (int32_t program = 0; program < 8; ++program) {
    synth::TonePreset tone;
    test::randomTone(tone, rng);
    pair.both([&](EngineHarness& h) {
      h.synth->getTonePreset(program) = tone;
      h.synth->setPolyphony(polyphony);
      h.synth->setReceiveSysEx(true);
      h.synth->setNrpnEnabled(true);
    });
  }
  for (int32_t part = 0; part < 16; ++part)
    pair.both([&](EngineHarness& h) {
      h.synth->setPartOutput(part, part % 5);
      h.synth->programChange(part, part % 8);
    });

  for (int32_t block = 0; block < blocks; ++block) {
    const int32_t n = pick(0, 3) == 0 ? pick(1, 16) : pick(17, 400);
    const int32_t events = pick(0, eventsPerBlock);
    for (int32_t e = 0; e < events; ++e) {
      const int32_t at = pick(-4, n + 4);
      const int32_t ch = pick(0, 15);
      const int32_t kind = pick(0, 19);
      pair.both([&, at, ch, kind](EngineHarness& h) {
        std::mt19937 local(static_cast<uint32_t>(at * 7919 + ch * 31 + kind + block * 104729 + e));
        auto value = [&local](int32_t hi) { return std::uniform_int_distribution<int32_t>(0, hi)(local); };
        switch (kind) {
          case 0: case 1: case 2: case 3: case 4: case 5: case 6:
            h.noteOn(ch, 36 + value(40), 1 + value(126), at);
            break;
          case 7: case 8: case 9:
            h.noteOff(ch, 36 + value(40), at);
            break;
          case 10: h.cc(ch, 1, value(127), at); break;
          case 11: h.cc(ch, 7, value(127), at); break;
          case 12: h.cc(ch, 10 + value(1), value(127), at); break;
          case 13: h.queue3(0xE0, ch, value(127), value(127), at); break;
          case 14: h.cc(ch, 120 + value(3), 0, at); break;  // sound off, reset, local, notes off
          case 15: h.queue3(0xC0, ch, value(7), 0, at); break;
          case 16: h.cc(ch, 64 + value(10), value(127), at); break;  // stored only
          case 17:  // bend range (RPN 0) or master volume (NRPN 0/0), then data entry
            if (value(1) == 0) {
              h.cc(ch, 101, 0, at);
              h.cc(ch, 100, 0, at);
            } else {
              h.cc(ch, 99, 0, at);
              h.cc(ch, 98, 0, at);
            }
            h.cc(ch, 6, value(127), at);
            break;
          case 18: h.sysex({0x7D, 0x10, 0x22, 0x00, 0x00, 0x00, 64 + value(63), 0xF7}, at); break;  // master volume
          default: h.queue3(0xD0, ch, value(127), 0, at); break;
        }
      });
    }
    pair.both([n](EngineHarness& h) { h.render(n); });
    for (int32_t c = 0; c < kChannelCount; ++c)
      ASSERT_EQ(0, std::memcmp(pair.current.channel(c).data(), pair.reference.channel(c).data(), sizeof(float) * n))
          << "block " << block << " channel " << c;
    ASSERT_EQ(pair.current.synth->getActiveVoiceCount(), pair.reference.synth->getActiveVoiceCount());
    ASSERT_EQ(pair.current.synth->getAllocationCursor(), pair.reference.synth->getAllocationCursor());
  }
}

// The reference renders voice by voice in scalar code; the loop in use
// takes each vector level the processor has in turn.
TEST(BlockLoop, MatchesTheReferenceLoopOverRandomEventStreams) {
  const synth::VectorLevel levels[] = {synth::VectorLevel::Avx2, synth::VectorLevel::Sse41, synth::VectorLevel::Scalar};
  const struct {
    int32_t polyphony, blocks, events;
  } cases[] = {{1, 60, 12}, {4, 80, 20}, {16, 80, 40}, {128, 60, 120}, {1024, 20, 900}};
  uint32_t seed = 17;
  for (const auto& c : cases)
    for (synth::VectorLevel level : levels) runStream(seed++, c.polyphony, c.blocks, c.events, level);
}

}  // namespace

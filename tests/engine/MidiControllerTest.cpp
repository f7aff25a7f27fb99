#include "engine/MidiController.h"
#include "engine/ModuleRack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace ovri::korvane {
namespace {

MidiEvent makeEvent(int32_t status, int32_t data1, int32_t offset) {
  MidiEvent e;
  e.status = status;
  e.data1 = data1;
  e.sampleOffset = offset;
  return e;
}

std::vector<int32_t> listData1(const MidiEvent& head) {
  std::vector<int32_t> out;
  for (const MidiEvent* e = head.next; e != nullptr; e = e->next) out.push_back(e->data1);
  return out;
}

TEST(MidiControllerQueue, MergeSortsByOffsetAndKeepsQueueOrderForEqualOffsets) {
  util::MidiController queue;
  RenderContext context;
  MidiEvent head;
  context.events = &head;
  queue.append(makeEvent(0x90, 1, 100));
  queue.append(makeEvent(0xB0, 2, 50));
  queue.append(makeEvent(0x80, 3, 50));  // same offset as the controller: must follow it
  queue.append(makeEvent(0x90, 4, 50));
  queue.append(makeEvent(0x90, 5, 0));
  queue.process(context);
  EXPECT_EQ(listData1(head), (std::vector<int32_t>{5, 2, 3, 4, 1}));
  EXPECT_EQ(queue.getCount(), 0);
}

// Full queues of random offsets with many repeats: the list is the queue
// stably sorted by offset.
TEST(MidiControllerQueue, FullQueuesSortStablyByOffset) {
  std::mt19937 rng(5);
  for (int32_t n : {2, 3, 17, 64, 511, 512}) {
    util::MidiController queue;
    RenderContext context;
    MidiEvent head;
    context.events = &head;
    std::vector<std::pair<int32_t, int32_t>> expected;  // (offset, data1)
    for (int32_t i = 0; i < n; ++i) {
      const int32_t offset = std::uniform_int_distribution<int32_t>(0, n / 3)(rng);
      queue.append(makeEvent(0x90, i, offset));
      expected.push_back({offset, i});
    }
    std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
    queue.process(context);
    std::vector<int32_t> order;
    for (auto& e : expected) order.push_back(e.second);
    EXPECT_EQ(listData1(head), order) << n << " events";
  }
}

TEST(MidiControllerQueue, AppendCopiesPortMaskClearsLinkAndDropsBeyondCapacity) {
  util::MidiController queue;
  MidiEvent e = makeEvent(0x90, 60, 3);
  e.portMask = 0;
  MidiEvent dangling;
  e.next = &dangling;
  for (int32_t i = 0; i < 512; ++i) ASSERT_TRUE(queue.append(e));
  EXPECT_FALSE(queue.append(e));  // the 513th
  EXPECT_EQ(queue.getCount(), 512);
  EXPECT_EQ(queue.pool[0].portMask, 0xFFFF);
  EXPECT_EQ(queue.pool[0].next, nullptr);
}

TEST(MidiControllerQueue, SysExPayloadIsCopiedUpToCapacity) {
  util::MidiController queue;
  MidiEvent e = makeEvent(0xF0, 0, 0);
  e.sysexLength = 300;  // more than an event can hold
  for (int i = 0; i < kSysExCapacity; ++i) e.sysexData[i] = static_cast<uint8_t>(i);
  queue.append(e);
  EXPECT_EQ(queue.pool[0].sysexLength, kSysExCapacity);
  EXPECT_EQ(queue.pool[0].sysexData[255], 255);
}

TEST(MidiControllerQueue, ActivationAndResetDiscardPendingEvents) {
  util::MidiController queue;
  queue.append(makeEvent(0x90, 60, 0));
  queue.activate();
  EXPECT_EQ(queue.getCount(), 0);
  queue.append(makeEvent(0x90, 60, 0));
  queue.deactivate();
  EXPECT_EQ(queue.getCount(), 0);
  EXPECT_EQ(queue.pool[0].status, 0x80);  // reset
}

}  // namespace
}  // namespace ovri::korvane

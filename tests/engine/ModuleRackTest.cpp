#include "engine/ModuleRack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ovri::korvane {
namespace {

// Records the calls a module receives.
class RecordingModule : public IKorvaneModule {
public:
  explicit RecordingModule(std::vector<std::string>* log, std::string name) : log(log), name(std::move(name)) {}
  void setSampleRate(float hz) override { note("rate " + std::to_string(static_cast<int>(hz))); }
  void setBlockSize(int32_t n) override { note("block " + std::to_string(n)); }
  void reset() override { note("reset"); }
  void initialize() override { note("initialize"); }
  void attached(ModuleRack*) override { note("attached"); }
  void detached() override { note("detached"); }
  void disabledChanged(bool d) override { note(d ? "disabled" : "enabled"); }
  void reservedStop1() override {}
  void reservedStop2() override {}
  void deactivate() override { note("deactivate"); }
  void activate() override { note("activate"); }
  void process(RenderContext&) override { note("process"); }

private:
  void note(const std::string& s) { log->push_back(name + ":" + s); }
  std::vector<std::string>* log;
  std::string name;
};

TEST(ModuleRack, SampleRateBelowOneIsIgnoredAndValidRatesReachEveryModule) {
  std::vector<std::string> log;
  RecordingModule a(&log, "a"), b(&log, "b");
  ModuleRack rack;
  rack.attach(0, &a);
  rack.attach(1, &b);
  log.clear();
  EXPECT_EQ(rack.setSampleRate(0.5f), 44100.0f);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(rack.setSampleRate(48000.0f), 48000.0f);
  EXPECT_EQ(log, (std::vector<std::string>{"a:rate 48000", "b:rate 48000"}));
  log.clear();
  rack.setBlockSize(0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(rack.context.blockSize, 2048);
}

TEST(ModuleRack, AttachMovesAModuleOutOfItsOldSlotFirst) {
  std::vector<std::string> log;
  RecordingModule a(&log, "a");
  ModuleRack rack;
  EXPECT_EQ(rack.attach(4, &a), nullptr);
  EXPECT_EQ(rack.attach(-1, &a), nullptr);
  rack.attach(0, &a);
  log.clear();
  EXPECT_EQ(rack.attach(2, &a), &a);
  EXPECT_EQ(log, (std::vector<std::string>{"a:detached", "a:attached"}));
  EXPECT_EQ(rack.module(0), nullptr);
  EXPECT_EQ(rack.module(2), &a);
}

TEST(ModuleRack, BlockRunsEnabledSlotsInOrder) {
  std::vector<std::string> log;
  RecordingModule a(&log, "a"), b(&log, "b");
  ModuleRack rack;
  rack.attach(1, &b);
  rack.attach(0, &a);
  rack.setDisabled(1, true);
  log.clear();
  rack.processBlock();
  EXPECT_EQ(log, (std::vector<std::string>{"a:process"}));
  rack.setDisabled(1, false);
  log.clear();
  rack.processBlock();
  EXPECT_EQ(log, (std::vector<std::string>{"a:process", "b:process"}));
}

}  // namespace
}  // namespace ovri::korvane

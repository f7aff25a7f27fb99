// The edit controller as a host sees it: parameters, units and the MIDI
// controller mapping.
#include "host/PluginHost.h"
#include "tests/plugin/TestSupport.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::test::ascii;

class ControllerTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    module = PluginModule::load(KORVANE_TEST_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    instance = PluginInstance::create(*module, error);
    ASSERT_TRUE(instance) << error;
    controller = instance->controller;
  }
  void TearDown() override {
    instance.reset();
    module.reset();
  }

  ParameterInfo parameterAt(int32 index) {
    ParameterInfo info{};
    EXPECT_EQ(controller->getParameterInfo(index, info), kResultOk) << index;
    return info;
  }

  std::unique_ptr<PluginModule> module;
  std::unique_ptr<PluginInstance> instance;
  IEditController* controller = nullptr;
};

TEST_F(ControllerTest, PublishesBypassFirstThenControllersPitchBendsPressuresAndPrograms) {
  ASSERT_EQ(controller->getParameterCount(), 2097);

  const ParameterInfo bypass = parameterAt(0);
  EXPECT_EQ(ascii(bypass.title), "bypass");
  EXPECT_EQ(bypass.id, 0x01000001u);
  EXPECT_EQ(bypass.flags, ParameterInfo::kIsBypass | ParameterInfo::kCanAutomate);
  EXPECT_EQ(bypass.stepCount, 1);
  EXPECT_EQ(bypass.unitId, kRootUnitId);
  EXPECT_EQ(bypass.defaultNormalizedValue, 0.0);
  EXPECT_EQ(ascii(bypass.units), "...");

  const ParameterInfo cc0 = parameterAt(1);
  EXPECT_EQ(ascii(cc0.title), "CC : 0");
  EXPECT_EQ(cc0.id, 0x10000u);
  EXPECT_EQ(cc0.stepCount, 128);
  EXPECT_EQ(cc0.flags, 0x12);
  EXPECT_EQ(cc0.unitId, 0x10000);

  const ParameterInfo pan = parameterAt(1 + 10);
  EXPECT_EQ(ascii(pan.title), "CC : 10");
  EXPECT_EQ(pan.defaultNormalizedValue, 0.5);

  // Channel outer, controller inner: channel 3 controller 7 is entry 1 + 3 * 128 + 7.
  const ParameterInfo ch3cc7 = parameterAt(1 + 3 * 128 + 7);
  EXPECT_EQ(ch3cc7.id, 0x10307u);
  EXPECT_EQ(ascii(ch3cc7.title), "CC : 7");

  for (int32 channel = 0; channel < 16; ++channel) {
    const ParameterInfo bend = parameterAt(1 + 16 * 128 + channel);
    EXPECT_EQ(ascii(bend.title), "Pitchbend");
    EXPECT_EQ(bend.id, 0x10081u + 256u * channel);
    EXPECT_EQ(bend.stepCount, 16384);
    EXPECT_EQ(bend.defaultNormalizedValue, 0.5);
    EXPECT_EQ(bend.flags, 0x12);
    EXPECT_EQ(bend.unitId, 0x10000);

    const ParameterInfo pressure = parameterAt(1 + 16 * 128 + 16 + channel);
    EXPECT_EQ(ascii(pressure.title), "Channel Pressure");
    EXPECT_EQ(pressure.id, 0x10080u + 256u * channel);
    EXPECT_EQ(pressure.stepCount, 128);
    EXPECT_EQ(pressure.flags, 0x12);
    EXPECT_EQ(pressure.unitId, 0x10000);

    const ParameterInfo program = parameterAt(1 + 16 * 128 + 32 + channel);
    EXPECT_EQ(program.id, 0x10082u + 256u * channel);
    EXPECT_EQ(ascii(program.title), std::to_string(0x10082 + 256 * channel));
    EXPECT_EQ(program.stepCount, 127);
    EXPECT_EQ(program.flags, ParameterInfo::kIsProgramChange | ParameterInfo::kIsList | ParameterInfo::kIsHidden)
        << "never read-only; a list of the program names";
    EXPECT_EQ(program.unitId, 0x100000 + channel);
  }
  EXPECT_EQ(ascii(parameterAt(2081).title), "65666");
}

TEST_F(ControllerTest, GroupsParametersIntoSeventeenUnits) {
  FUnknownPtr<IUnitInfo> units(controller);
  ASSERT_TRUE(units);
  ASSERT_EQ(units->getUnitCount(), 17);
  UnitInfo info{};
  ASSERT_EQ(units->getUnitInfo(0, info), kResultOk);
  EXPECT_EQ(info.id, 0x10000);
  EXPECT_EQ(ascii(info.name), "MIDI Contloller");
  EXPECT_EQ(info.parentUnitId, kRootUnitId);
  EXPECT_EQ(info.programListId, kNoProgramListId);
  for (int32 c = 0; c < 16; ++c) {
    ASSERT_EQ(units->getUnitInfo(1 + c, info), kResultOk);
    EXPECT_EQ(info.id, 0x100000 + c);
    EXPECT_EQ(ascii(info.name), "program");
    EXPECT_EQ(info.parentUnitId, kRootUnitId);
    EXPECT_EQ(info.programListId, 0x100000 + c);
  }
  ASSERT_EQ(units->getProgramListCount(), 16);
  for (int32 c = 0; c < 16; ++c) {
    ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(c, list), kResultOk);
    EXPECT_EQ(list.id, 0x100000 + c);
    EXPECT_EQ(list.programCount, 128);
    String128 name{};
    EXPECT_EQ(units->getProgramName(list.id, 127, name), kResultOk);
    EXPECT_EQ(ascii(name), "Tone 127") << "a tone named with blanks still has a name";
  }
  // The program-change parameter shows the program names as its values.
  String128 shown{};
  ASSERT_EQ(controller->getParamStringByValue(0x10082, 5.0 / 127.0, shown), kResultOk);
  EXPECT_EQ(ascii(shown), "Tone 005");
  ParamValue value = 0.0;
  ASSERT_EQ(controller->getParamValueByString(0x10082, shown, value), kResultOk);
  EXPECT_DOUBLE_EQ(value, 5.0 / 127.0);
}

TEST_F(ControllerTest, EventInputChannelsBelongToTheirProgramUnits) {
  FUnknownPtr<IUnitInfo> units(controller);
  UnitID unit = 0;
  EXPECT_EQ(units->getUnitByBus(kEvent, kInput, 0, 5, unit), kResultTrue);
  EXPECT_EQ(unit, 0x100005);
  EXPECT_EQ(units->getUnitByBus(kEvent, kInput, 1, 5, unit), kResultFalse);
  EXPECT_EQ(units->getUnitByBus(kAudio, kOutput, 0, 0, unit), kResultFalse);
  EXPECT_EQ(units->getUnitByBus(kEvent, kOutput, 0, 0, unit), kResultFalse);
}

TEST_F(ControllerTest, MapsMidiControllersToChannelParameters) {
  IMidiMapping* mapping = instance->midiMapping;
  ASSERT_NE(mapping, nullptr);
  ParamID id = 0;
  EXPECT_EQ(mapping->getMidiControllerAssignment(0, 3, 7, id), kResultTrue);
  EXPECT_EQ(id, 0x10307u);
  EXPECT_EQ(mapping->getMidiControllerAssignment(0, 15, kPitchBend, id), kResultTrue);
  EXPECT_EQ(id, 0x10F81u);
  EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, kCtrlProgramChange, id), kResultTrue);
  EXPECT_EQ(id, 0x10082u);
  EXPECT_EQ(mapping->getMidiControllerAssignment(0, 2, kAfterTouch, id), kResultTrue);
  EXPECT_EQ(id, 0x10280u);  // channel pressure
  EXPECT_EQ(mapping->getMidiControllerAssignment(7, 1, 1, id), kResultTrue);  // any bus
  EXPECT_EQ(id, 0x10101u);
  EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, 131, id), kResultFalse);
  EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, -1, id), kResultFalse);
}

TEST_F(ControllerTest, KeepsNoStateOfItsOwnAndMakesTheEditorByItsExactName) {
  EXPECT_EQ(controller->setComponentState(nullptr), kInvalidArgument);
  EXPECT_EQ(controller->setState(nullptr), kNotImplemented);
  EXPECT_EQ(controller->getState(nullptr), kNotImplemented);
  IPlugView* view = controller->createView("editor");
  ASSERT_NE(view, nullptr);
  view->release();
  for (const char* name : {"editorX", "edit", "", "Editor"}) EXPECT_EQ(controller->createView(name), nullptr) << name;
  EXPECT_EQ(controller->createView(nullptr), nullptr);
}

TEST_F(ControllerTest, RefusedSecondInitializeAddsNoParameters) {
  EXPECT_EQ(controller->initialize(nullptr), kResultOk);
  EXPECT_EQ(controller->getParameterCount(), 2097);
}

}  // namespace

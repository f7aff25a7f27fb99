// What a host sees of the built module before it creates anything: the
// exported entry points, the factory and its class registration.
#include "host/PluginHost.h"
#include "tests/plugin/TestSupport.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace Steinberg;
using ovri::korvane::host::bundleLibraryPath;
using ovri::korvane::test::ascii;

const unsigned char kProcessorBytes[16] = {0xB0, 0xF8, 0xE1, 0xAB, 0x94, 0x4B, 0x50, 0x49,
                                           0xA3, 0x0D, 0x68, 0x9D, 0xEE, 0x29, 0x4B, 0x38};
const unsigned char kControllerBytes[16] = {0xEB, 0x95, 0xFF, 0x58, 0xE7, 0x14, 0x36, 0x4C,
                                            0xBF, 0x81, 0x29, 0x2F, 0x0E, 0xA4, 0x72, 0x7E};

// The module opened directly, without ModuleEntry, so that each test sees
// the entry points as a host calling them first would.
class RawModule : public ::testing::Test {
protected:
  void SetUp() override {
    handle = dlopen(bundleLibraryPath(KORVANE_TEST_BUNDLE).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle != nullptr) dlclose(handle);
  }
  template <typename F>
  F symbol(const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
  }
  IPluginFactory* factory() { return symbol<GetFactoryProc>("GetPluginFactory")(); }

  void* handle = nullptr;
};

TEST_F(RawModule, ExportsTheFiveEntryPointsAndNothingElse) {
  for (const char* name : {"GetPluginFactory", "ModuleEntry", "ModuleExit", "InitDll", "ExitDll"})
    EXPECT_NE(dlsym(handle, name), nullptr) << name;
  // A global of the SDK helpers stays inside the module.
  EXPECT_EQ(dlsym(handle, "_ZN9Steinberg14gPluginFactoryE"), nullptr);
}

TEST_F(RawModule, GetPluginFactoryReturnsTheSameObjectEachTime) {
  IPluginFactory* first = factory();
  IPluginFactory* second = factory();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  second->release();
  first->release();
}

TEST_F(RawModule, InitDllAndExitDllCountUses) {
  auto initDll = symbol<bool (*)()>("InitDll");
  auto exitDll = symbol<bool (*)()>("ExitDll");
  EXPECT_TRUE(initDll());
  EXPECT_TRUE(initDll());
  EXPECT_TRUE(exitDll());
  EXPECT_TRUE(exitDll());
  EXPECT_FALSE(exitDll());  // one more than there were uses
  EXPECT_TRUE(initDll());   // and the module can be used again
  EXPECT_TRUE(exitDll());
}

TEST_F(RawModule, FactoryInformationNamesTheVendor) {
  IPluginFactory* f = factory();
  PFactoryInfo info;
  ASSERT_EQ(f->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Ovri Audio");
  EXPECT_STREQ(info.url, "https://ovri.example");
  EXPECT_STREQ(info.email, "");
  EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
  f->release();
}

TEST_F(RawModule, RegistersProcessorThenControllerWithTheirClassIds) {
  IPluginFactory* f = factory();
  ASSERT_EQ(f->countClasses(), 2);
  PClassInfo processor;
  PClassInfo controller;
  ASSERT_EQ(f->getClassInfo(0, &processor), kResultOk);
  ASSERT_EQ(f->getClassInfo(1, &controller), kResultOk);
  EXPECT_EQ(std::memcmp(processor.cid, kProcessorBytes, 16), 0);
  EXPECT_EQ(std::memcmp(controller.cid, kControllerBytes, 16), 0);
  EXPECT_NE(f->getClassInfo(2, &processor), kResultOk);
  f->release();
}

TEST_F(RawModule, ClassRecordsMatchTheRegistrationData) {
  IPluginFactory* f = factory();
  void* object = nullptr;
  ASSERT_EQ(f->queryInterface(IPluginFactory3::iid, &object), kResultOk);
  auto* f3 = static_cast<IPluginFactory3*>(object);

  PClassInfo2 p;
  PClassInfo2 c;
  ASSERT_EQ(f3->getClassInfo2(0, &p), kResultOk);
  ASSERT_EQ(f3->getClassInfo2(1, &c), kResultOk);
  EXPECT_EQ(p.cardinality, PClassInfo::kManyInstances);
  EXPECT_STREQ(p.category, "Audio Module Class");
  EXPECT_STREQ(p.name, "Korvane Synth FM4");
  EXPECT_EQ(p.classFlags, 0u) << "not distributable: the editor shares the processor's address space";
  EXPECT_STREQ(p.subCategories, "Instrument|Synth");
  EXPECT_STREQ(p.vendor, "");
  EXPECT_STREQ(p.version, "23.1.5");
  EXPECT_STREQ(p.sdkVersion, "VST 3.7.3");
  EXPECT_EQ(c.cardinality, PClassInfo::kManyInstances);
  EXPECT_STREQ(c.category, "Component Controller Class");
  EXPECT_STREQ(c.name, "Korvane Synth FM4 Controller");
  EXPECT_EQ(c.classFlags, 0u);
  EXPECT_STREQ(c.subCategories, "");
  EXPECT_STREQ(c.version, "23.1.5");

  PClassInfoW w;
  ASSERT_EQ(f3->getClassInfoUnicode(0, &w), kResultOk);
  EXPECT_EQ(std::memcmp(w.cid, kProcessorBytes, 16), 0);
  EXPECT_EQ(ascii(w.name), "Korvane Synth FM4");
  EXPECT_EQ(ascii(w.version), "23.1.5");
  EXPECT_EQ(ascii(w.sdkVersion), "VST 3.7.3");
  EXPECT_STREQ(w.subCategories, "Instrument|Synth");
  f3->release();
  f->release();
}

TEST_F(RawModule, CreatesOnlyRegisteredClassesWithInterfacesTheyHave) {
  IPluginFactory* f = factory();
  void* object = nullptr;
  EXPECT_EQ(f->createInstance(reinterpret_cast<const char*>(kProcessorBytes), Vst::IComponent::iid, &object),
            kResultOk);
  ASSERT_NE(object, nullptr);
  static_cast<Vst::IComponent*>(object)->release();

  object = reinterpret_cast<void*>(1);
  EXPECT_NE(f->createInstance(reinterpret_cast<const char*>(kControllerBytes), Vst::IComponent::iid, &object),
            kResultOk);
  EXPECT_EQ(object, nullptr);

  const char unknown[16] = {};
  EXPECT_NE(f->createInstance(unknown, FUnknown::iid, &object), kResultOk);
  EXPECT_EQ(object, nullptr);
  f->release();
}

}  // namespace

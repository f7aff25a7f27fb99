// A test bundle whose controller's view "editor" is the gallery: a module a
// host loads, opens the editor of, closes and unloads, as it will the
// instrument's.
#include "platform/AudioEffect.h"
#include "platform/ModuleEntry.h"
#include "platform/PluginFactory.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "tests/support/GalleryEditor.h"

#include <cstring>

namespace ovri::korvane::test {
namespace {

using namespace Steinberg;

const FUID kGalleryProcessorUid(0x6b4f7276, 0x47616c6c, 0x65727950, 0x726f6331);
const FUID kGalleryControllerUid(0x6b4f7276, 0x47616c6c, 0x65727943, 0x74726c31);

class GalleryProcessor : public Vst::AudioEffect {
public:
  GalleryProcessor() { setControllerClass(kGalleryControllerUid); }
  static FUnknown* createInstance(void*) { return static_cast<Vst::IAudioProcessor*>(new GalleryProcessor); }
};

class GalleryController : public Vst::EditController {
public:
  IPlugView* PLUGIN_API createView(FIDString name) override {
    if (!name || std::strcmp(name, Vst::ViewType::kEditor) != 0) return nullptr;
    return new GalleryEditor(&listener, this);
  }
  static FUnknown* createInstance(void*) { return static_cast<Vst::IEditController*>(new GalleryController); }

private:
  RecordingListener listener;
};

}  // namespace
}  // namespace ovri::korvane::test

namespace Steinberg {
bool InitModule() { return true; }
bool DeinitModule() { return true; }
}  // namespace Steinberg

extern "C" SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() {
  using namespace Steinberg;
  using namespace ovri::korvane::test;
  if (gPluginFactory) {
    gPluginFactory->addRef();
    return gPluginFactory;
  }
  gPluginFactory = new CPluginFactory(PFactoryInfo("Korvane", "", "", PFactoryInfo::kUnicode));
  const PClassInfo2 processor(kGalleryProcessorUid, PClassInfo::kManyInstances, kVstAudioEffectClass, "Widget Gallery",
                              Vst::kDistributable, "Fx", "", "1.0.0", "VST 3.7.3");
  gPluginFactory->registerClass(&processor, &GalleryProcessor::createInstance);
  const PClassInfo2 controller(kGalleryControllerUid, PClassInfo::kManyInstances, kVstComponentControllerClass,
                               "Widget Gallery Controller", 0, "", "", "1.0.0", "VST 3.7.3");
  gPluginFactory->registerClass(&controller, &GalleryController::createInstance);
  return gPluginFactory;
}

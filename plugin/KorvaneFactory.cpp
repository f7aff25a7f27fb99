#include "plugin/KorvaneFactory.h"

#include "plugin/KorvaneIds.h"
#include "plugin/KorvaneVSTController.h"
#include "plugin/KorvaneVSTProcessor.h"

namespace ovri::korvane::plugin {

using namespace Steinberg;

namespace {
// Not distributable: the editor reads the processor's engine host through
// its address, so the two must live in one process.
constexpr uint32 kProcessorClassFlags = 0;
}  // namespace

CPluginFactory* createKorvaneFactory() {
  const PFactoryInfo factoryInfo(kVendorName, kVendorUrl, kVendorEmail, PFactoryInfo::kUnicode);
  auto* factory = new CPluginFactory(factoryInfo);

  const PClassInfo2 processorClass(kProcessorUid.bytes, PClassInfo::kManyInstances, kVstAudioEffectClass,
                                   kProcessorName, kProcessorClassFlags, kProcessorSubCategories, "", kClassVersion,
                                   kClassSdkVersion);
  factory->registerClass(&processorClass, &Vst::KorvaneVSTProcessor::createInstance);

  const PClassInfo2 controllerClass(kControllerUid.bytes, PClassInfo::kManyInstances, kVstComponentControllerClass,
                                    kControllerName, 0, "", "", kClassVersion, kClassSdkVersion);
  factory->registerClass(&controllerClass, &Vst::KorvaneVSTController::createInstance);
  return factory;
}

}  // namespace ovri::korvane::plugin

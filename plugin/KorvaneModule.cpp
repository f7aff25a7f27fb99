// The module's own entry: the factory handed to the host and the module
// initialisation the use-counted entry points run.
#include "platform/ModuleEntry.h"
#include "plugin/KorvaneFactory.h"

namespace Steinberg {

bool InitModule() { return true; }
bool DeinitModule() { return true; }

}  // namespace Steinberg

// Created on the first call; later calls hand out the same object with a
// reference added.
extern "C" SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() {
  if (Steinberg::gPluginFactory != nullptr) {
    Steinberg::gPluginFactory->addRef();
    return Steinberg::gPluginFactory;
  }
  Steinberg::gPluginFactory = ovri::korvane::plugin::createKorvaneFactory();
  return Steinberg::gPluginFactory;
}

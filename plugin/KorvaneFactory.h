#pragma once

#include "platform/PluginFactory.h"

namespace ovri::korvane::plugin {

// A new factory (reference count 1) with the vendor information and the
// processor and controller classes registered, in that order.
Steinberg::CPluginFactory* createKorvaneFactory();

}  // namespace ovri::korvane::plugin

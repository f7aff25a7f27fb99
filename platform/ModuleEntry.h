#pragma once

#include "pluginterfaces/base/fplatform.h"

// Entry points of a VST 3 module on Linux: the host calls ModuleEntry after
// loading the file and ModuleExit before unloading it; InitDll and ExitDll
// are the same use-counted initialisation for hosts that call those. All
// four share one counter: the module is initialised while it is above 0.
extern "C" {
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
SMTG_EXPORT_SYMBOL bool ModuleExit();
SMTG_EXPORT_SYMBOL bool InitDll();
SMTG_EXPORT_SYMBOL bool ExitDll();
}

namespace Steinberg {

// Supplied by the plug-in: run when the use counter goes from 0 to 1 and
// from 1 to 0; their results are returned by the entry point that ran them.
bool InitModule();
bool DeinitModule();

// The loader's handle of this module (null if it cannot be found).
void* getModuleHandle();
// The folder of the module file, ending in '/', found when it was loaded.
const char* getModuleFolder();

}  // namespace Steinberg

#include "platform/ModuleEntry.h"

#include <dlfcn.h>

#include <cstring>

namespace Steinberg {
namespace {

int useCount = 0;                // InitDll/ModuleEntry minus ExitDll/ModuleExit
void* moduleHandle = nullptr;    // as given to ModuleEntry or looked up
char modulePath[4096] = {};      // folder of the module file, '/' at the end

// Runs when the loader maps the module: remembers the folder of the file
// the code lives in (the folder of the .so inside the bundle).
__attribute__((constructor)) void onModuleLoad() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&onModuleLoad), &info) == 0 || info.dli_fname == nullptr) return;
  const char* slash = std::strrchr(info.dli_fname, '/');
  if (slash == nullptr) return;
  const size_t length = static_cast<size_t>(slash - info.dli_fname) + 1;
  if (length >= sizeof modulePath) return;
  std::memcpy(modulePath, info.dli_fname, length);
  modulePath[length] = 0;
}

}  // namespace

void* getModuleHandle() {
  if (moduleHandle == nullptr) {
    // The handle of an already loaded object; the extra reference taken by
    // the lookup is given back at once, the handle stays valid while loaded.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&getModuleHandle), &info) != 0 && info.dli_fname != nullptr) {
      moduleHandle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
      if (moduleHandle != nullptr) dlclose(moduleHandle);
    }
  }
  return moduleHandle;
}

const char* getModuleFolder() { return modulePath; }

}  // namespace Steinberg

extern "C" {

bool InitDll() {
  if (++Steinberg::useCount == 1) return Steinberg::InitModule();
  return true;
}

// A call without a matching InitDll returns false and leaves the counter
// at 0, so that the next InitDll initialises the module again.
bool ExitDll() {
  --Steinberg::useCount;
  if (Steinberg::useCount == 0) return Steinberg::DeinitModule();
  if (Steinberg::useCount < 0) {
    Steinberg::useCount = 0;
    return false;
  }
  return true;
}

bool ModuleEntry(void* sharedLibraryHandle) {
  if (sharedLibraryHandle != nullptr) Steinberg::moduleHandle = sharedLibraryHandle;
  return InitDll();
}

bool ModuleExit() { return ExitDll(); }

}  // extern "C"

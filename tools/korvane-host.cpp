// korvane-host: opens a plug-in bundle's editor under the current X server.
//
//   korvane-host view BUNDLE [--shot OUT.png] [--scale 1|1.5|2] [--seconds N]
//
// The editor is embedded in a top-level window and runs in the host's run
// loop for N seconds (default: 1 with --shot, else until the window is
// killed); --shot photographs it into a PNG before it is closed.
#include "host/HostWindow.h"
#include "host/PluginHost.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace ovri::korvane::host;
using namespace Steinberg;

namespace {

int usage() {
  std::fprintf(stderr, "usage: korvane-host view BUNDLE [--shot OUT.png] [--scale 1|1.5|2] [--seconds N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], "view") != 0) return usage();
  const std::string bundle = argv[2];
  std::string shot;
  double seconds = -1;
  float scale = 1.f;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return usage();
    if (arg == "--shot")
      shot = argv[++i];
    else if (arg == "--seconds")
      seconds = std::atof(argv[++i]);
    else if (arg == "--scale")
      scale = static_cast<float>(std::atof(argv[++i]));
    else
      return usage();
  }
  if (seconds < 0) seconds = shot.empty() ? 1e9 : 1.0;

  std::string error;
  HostRunLoop loop;
  auto window = HostWindow::create(loop, true, error);
  if (!window) {
    std::fprintf(stderr, "korvane-host: %s\n", error.c_str());
    return 1;
  }
  int status = 0;
  {
    auto module = PluginModule::load(bundle, error);
    if (!module) {
      std::fprintf(stderr, "korvane-host: %s\n", error.c_str());
      return 1;
    }
    auto instance = PluginInstance::create(*module, error);
    if (!instance) {
      std::fprintf(stderr, "korvane-host: %s\n", error.c_str());
      return 1;
    }
    IPlugView* view = instance->controller->createView("editor");
    if (!view) {
      std::fprintf(stderr, "korvane-host: the plug-in has no editor\n");
      return 1;
    }
    if (scale != 1.f) {
      IPlugViewContentScaleSupport* scaling = nullptr;
      if (view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)) == kResultOk) {
        scaling->setContentScaleFactor(scale);
        scaling->release();
      }
    }
    if (view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue ||
        window->attach(view) != kResultOk) {
      std::fprintf(stderr, "korvane-host: the editor did not open in the window\n");
      status = 1;
    } else {
      loop.runFor(static_cast<int>(seconds * 1000));
      if (!shot.empty() && !window->screenshot(shot)) {
        std::fprintf(stderr, "korvane-host: cannot write %s\n", shot.c_str());
        status = 1;
      }
      window->detach();
    }
    view->release();
  }
  return status;
}

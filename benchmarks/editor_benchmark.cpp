// The editor's 33 ms tick: the refresh of every control from the engine
// host's model, then drawing what changed. "Idle" is a tick where nothing
// changed (what an open, untouched window costs); "Changing" moves one
// value of every area per tick.
#include "editor/KorvaneVSTGUIEditor.h"
#include "platform/gui/OffscreenFrame.h"
#include "plugin/EngineHost.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using Steinberg::Vst::KorvaneVSTGUIEditor;

struct OpenEditor {
  explicit OpenEditor(int32_t mode) {
    VSTGUI::setResourceFolder(std::string(KORVANE_BUNDLE) + "/Contents/Resources/");
    host = std::make_unique<ovri::korvane::EngineHost>();
    host->model.parts[0].mode = mode;
    editor = Steinberg::owned(new KorvaneVSTGUIEditor(nullptr));
    editor->setOffscreenConfig(&config);
    editor->open(nullptr, VSTGUI::PlatformType::kOffscreen);
    editor->setEngineHost(host.get());
    editor->tick();
    editor->getFrame()->drawDirty();
  }
  ~OpenEditor() { editor->close(); }
  VSTGUI::OffscreenConfig config;
  std::unique_ptr<ovri::korvane::EngineHost> host;
  Steinberg::IPtr<KorvaneVSTGUIEditor> editor;
};

void BM_TickIdle(benchmark::State& state) {
  OpenEditor e(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    e.editor->tick();
    benchmark::DoNotOptimize(e.editor->getFrame()->drawDirty());
  }
}
BENCHMARK(BM_TickIdle)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_TickChanging(benchmark::State& state) {
  OpenEditor e(static_cast<int32_t>(state.range(0)));
  int32_t n = 0;
  for (auto _ : state) {
    n = (n + 1) & 127;
    e.host->model.parts[0].controllers[7] = n;
    e.host->model.tones[e.host->selectedTone].tl[0] = n;
    e.host->model.samplers[e.host->selectedSamplerPreset].tl = n;
    e.editor->tick();
    benchmark::DoNotOptimize(e.editor->getFrame()->drawDirty());
  }
}
BENCHMARK(BM_TickChanging)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

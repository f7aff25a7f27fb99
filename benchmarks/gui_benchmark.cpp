// The editor's drawing and idle costs:
//   FullRedraw/scale   — the whole 784 × 632 gallery frame drawn into its
//                        image (cairo, text and bitmaps), at scale 1 and 2;
//   IdleEditor         — an open editor window in the host's run loop with
//                        the 33 ms editor timer running and nothing to do:
//                        the process's CPU time per second of wall time
//                        (needs an X server: DISPLAY).
#include "host/HostWindow.h"
#include "platform/gui/OffscreenFrame.h"
#include "tests/support/GalleryEditor.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>

namespace {

using namespace VSTGUI;
using ovri::korvane::test::Gallery;
using ovri::korvane::test::GalleryEditor;
using ovri::korvane::test::RecordingListener;

void prepareResources() {
  static bool done = false;
  if (!done) ovri::korvane::test::makeGalleryResources(KORVANE_GUI_RESOURCES);
  done = true;
}

void FullRedraw(benchmark::State& state) {
  prepareResources();
  RecordingListener listener;
  Gallery gallery(&listener);
  OffscreenConfig config;
  gallery.frame->open(nullptr, PlatformType::kOffscreen, &config);
  gallery.frame->setScaleFactor(static_cast<double>(state.range(0)));
  gallery.frame->drawDirty();
  for (auto _ : state) {
    gallery.frame->invalid();
    benchmark::DoNotOptimize(gallery.frame->drawDirty());
  }
}
BENCHMARK(FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void IdleEditor(benchmark::State& state) {
  prepareResources();
  ovri::korvane::host::HostRunLoop loop;
  std::string error;
  auto window = ovri::korvane::host::HostWindow::create(loop, true, error);
  if (!window) {
    state.SkipWithError(error.c_str());
    return;
  }
  RecordingListener listener;
  auto editor = Steinberg::owned(new GalleryEditor(&listener));
  editor->setIdleRate(33);
  window->attach(editor);
  loop.runFor(200);  // first drawing done
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double c0 = processCpuSeconds();
    const auto w0 = std::chrono::steady_clock::now();
    loop.runFor(1000);
    cpu += processCpuSeconds() - c0;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
  }
  state.counters["cpu_percent"] = 100.0 * cpu / wall;
  window->detach();
}
BENCHMARK(IdleEditor)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

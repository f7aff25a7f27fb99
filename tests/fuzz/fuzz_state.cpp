// The saved state reader and loader: any bytes as a state image, loaded
// into an engine host, then written again and read back. Sample file paths
// in the image are replaced by one that does not exist, so that the loader
// runs its missing-file path without the fuzzer touching the file system.
#include "plugin/EngineHost.h"
#include "plugin/StateImage.h"
#include "plugin/StateLoad.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace ovri::korvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static EngineHost* host = new EngineHost();
  auto image = std::make_unique<plugin::StateImage>();
  plugin::parseStateImage(data, size, *image);
  for (plugin::StateImage::Slot& slot : image->slots)
    if (slot.present) slot.path = "/nonexistent/korvane-fuzz/sample.wav";
  // Keep the voice count small: a new pool per input is slow to build.
  if (image->polyphony > 64) image->polyphony = 64;
  plugin::loadStateImage(*host, *image);

  auto again = std::make_unique<plugin::StateImage>();
  plugin::captureStateImage(*host, *again);
  const std::vector<uint8_t> bytes = plugin::serializeStateImage(*again);
  auto reread = std::make_unique<plugin::StateImage>();
  plugin::parseStateImage(bytes.data(), bytes.size(), *reread);
  if (!reread->complete) std::abort();  // what the writer writes, the reader reads
  return 0;
}

#include "tools/samples/SampleSynthesis.h"

#include <algorithm>
#include <cmath>

namespace ovri::korvane::samples {

Recording synthesize(const SampleFile& file) {
  switch (file.kind) {
    case SampleKind::Choir: return synthesizeChoir(file);
    case SampleKind::Flute: return synthesizeFlute(file);
    case SampleKind::Pluck: return synthesizePluck(file);
    case SampleKind::Mallet: return synthesizeMallet(file);
    case SampleKind::Drums: return synthesizeDrums(file);
  }
  return {};
}

void normalize(Recording& recording, float peak) {
  float largest = 0.0f;
  for (float v : recording.samples) largest = std::max(largest, std::fabs(v));
  if (largest <= 0.0f) return;
  const float scale = peak / largest;
  for (float& v : recording.samples) v *= scale;
}

std::vector<int16_t> toPcm16(const Recording& recording) {
  std::vector<int16_t> out(recording.samples.size());
  for (size_t i = 0; i < out.size(); ++i) {
    const long v = std::lround(static_cast<double>(recording.samples[i]) * 32767.0);
    out[i] = static_cast<int16_t>(std::clamp<long>(v, -32768, 32767));
  }
  return out;
}

}  // namespace ovri::korvane::samples

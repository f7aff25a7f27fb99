#include "plugin/StateImage.h"

#include "tonegen/SoundFields.h"


#include <algorithm>
#include <cmath>
#include <cstring>

namespace ovri::korvane::plugin {

namespace {

using namespace synth;

class Reader {
public:
  Reader(const uint8_t* bytes, size_t length, int32_t& count) : p(bytes), left(length), count(count) {}

  bool u8(int32_t& out) {
    if (left < 1) return false;
    out = p[0];
    advance(1);
    return true;
  }
  bool u16(int32_t& out) {
    if (left < 2) return false;
    out = p[0] | (p[1] << 8);
    advance(2);
    return true;
  }
  bool i32(int32_t& out) {
    if (left < 4) return false;
    out = peek32<int32_t>();
    advance(4);
    return true;
  }
  bool f32(float& out) {
    if (left < 4) return false;
    out = peek32<float>();
    if (!std::isfinite(out)) return false;
    advance(4);
    return true;
  }
  bool name(char* out) {
    if (left < static_cast<size_t>(kPresetNameLength)) return false;
    std::memcpy(out, p, kPresetNameLength);
    out[kPresetNameLength] = 0;
    advance(kPresetNameLength);
    return true;
  }
  // i32 N, then N bytes ending in a zero byte.
  bool path(std::string& out) {
    if (left < 4) return false;
    const int32_t n = peek32<int32_t>();
    if (n < 1 || n > StateImage::kMaxPathBytes || static_cast<size_t>(n) > left - 4) return false;
    if (p[4 + n - 1] != 0) return false;
    out.assign(reinterpret_cast<const char*>(p + 4));  // up to the first zero byte
    advance(4 + static_cast<size_t>(n));
    return true;
  }
  size_t remaining() const { return left; }
  // Counts a value that was read.
  bool took(bool ok) {
    if (ok) ++count;
    return ok;
  }

private:
  // The next four bytes, little-endian, as a T of 4 bytes (int32 or float).
  template <typename T> T peek32() const {
    const uint32_t u = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
    T value;
    std::memcpy(&value, &u, 4);
    return value;
  }
  void advance(size_t n) {
    p += n;
    left -= n;
  }
  const uint8_t* p;
  size_t left;
  int32_t& count;
};

class Writer {
public:
  void u8(int32_t v) { out.push_back(static_cast<uint8_t>(v)); }
  void u16(int32_t v) {
    u8(v);
    u8(v >> 8);
  }
  void i32(int32_t v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    for (int32_t i = 0; i < 4; ++i) u8(static_cast<int32_t>(u >> (8 * i)));
  }
  void f32(float v) {
    int32_t bits;
    std::memcpy(&bits, &v, 4);
    i32(bits);
  }
  void name(const char* s) { out.insert(out.end(), s, s + kPresetNameLength); }
  std::vector<uint8_t> out;
};

// Every field of a tone or sampler preset in image order (the records'
// field tables), with the reader or writer: field(value, bytes).
template <typename Fn> bool toneFields(ToneParameters& t, Fn&& field) {
  return forEachToneValue(t, [&](int32_t& v, const auto& row) { return field(v, row.bytes); });
}

template <typename Fn> bool samplerFields(SamplerPreset& s, Fn&& field) {
  return forEachSamplerValue(s, [&](int32_t& v, const auto& row) { return field(v, row.bytes); });
}

template <typename Fn> bool partFields(StateImage::Part& p, int32_t version, Fn&& field) {
  if (version >= 3 && !field(p.output, 1)) return false;
  return field(p.defaultMode, 1) && field(p.mode, 1) && field(p.program, 1) && field(p.bendRange, 1) &&
         field(p.pitchBend, 2) && field(p.modulation, 1) && field(p.volume, 1) && field(p.pan, 1) &&
         field(p.expression, 1);
}

bool readImage(Reader& r, StateImage& image) {
  int32_t v;
  if (!r.u8(v) || v == 0) return false;
  r.took(true);
  image.version = static_cast<uint8_t>(v);
  const int32_t version = v > StateImage::kVersion ? StateImage::kVersion : v;
  if (!r.took(r.u8(v))) return false;
  image.receiveSysEx = v != 0;
  if (!r.took(r.u8(v))) return false;
  image.nrpnEnabled = v != 0;
  if (!r.took(r.f32(image.masterVolume)) || !r.took(r.f32(image.masterTune)) || !r.took(r.u16(image.polyphony)))
    return false;

  auto field = [&r](int32_t& out, int32_t size) { return r.took(size == 1 ? r.u8(out) : r.u16(out)); };
  for (StateImage::Part& p : image.parts)
    if (!partFields(p, version, field)) return false;
  for (ToneParameters& t : image.tones)
    if (!r.took(r.name(t.presetName)) || !toneFields(t, field)) return false;
  for (SamplerPreset& s : image.samplers)
    if (!r.took(r.name(s.presetName)) || !samplerFields(s, field)) return false;
  for (StateImage::Slot& s : image.slots) {
    if (!r.took(r.u8(v))) return false;
    s.present = v != 0;
    if (!s.present) continue;
    if (!r.took(r.path(s.path))) return false;
    if (version >= 2) {
      if (!r.took(r.u8(v))) return false;
      s.mode = static_cast<uint8_t>(v);
    }
    if (!r.took(r.f32(s.sampleRate)) || !r.took(r.f32(s.pitch)) || !r.took(r.i32(s.start)) ||
        !r.took(r.i32(s.end)) || !r.took(r.i32(s.loopStart)) || !r.took(r.i32(s.loopEnd)))
      return false;
  }
  return true;
}

}  // namespace

void parseStateImage(const uint8_t* bytes, size_t length, StateImage& image) {
  image.valuesRead = 0;
  const size_t available = bytes != nullptr ? length : 0;
  Reader reader(bytes, available, image.valuesRead);
  image.complete = readImage(reader, image);
  image.bytesRead = available - reader.remaining();
}

namespace {
constexpr uint8_t kTrailerTag[4] = {'K', 'V', 't', 'r'};
constexpr uint8_t kTrailerBypass = 0x01;
constexpr uint8_t kTrailerSustainPedal = 0x02;
}  // namespace

void appendStateTrailer(std::vector<uint8_t>& bytes, const StateTrailer& trailer) {
  bytes.insert(bytes.end(), std::begin(kTrailerTag), std::end(kTrailerTag));
  const uint32_t size = 1;
  for (int32_t i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(size >> (8 * i)));
  bytes.push_back(static_cast<uint8_t>((trailer.bypass ? kTrailerBypass : 0) |
                                       (trailer.sustainPedal ? kTrailerSustainPedal : 0)));
}

StateTrailer readStateTrailer(const uint8_t* bytes, size_t length, size_t imageLength) {
  StateTrailer trailer;
  if (bytes == nullptr || imageLength > length || length - imageLength < 8) return trailer;
  const uint8_t* t = bytes + imageLength;
  if (!std::equal(std::begin(kTrailerTag), std::end(kTrailerTag), t)) return trailer;
  const uint32_t size = t[4] | (t[5] << 8) | (t[6] << 16) | (static_cast<uint32_t>(t[7]) << 24);
  if (size < 1 || size > length - imageLength - 8) return trailer;
  trailer.bypass = (t[8] & kTrailerBypass) != 0;
  trailer.sustainPedal = (t[8] & kTrailerSustainPedal) != 0;
  return trailer;
}

std::vector<uint8_t> serializeStateImage(const StateImage& image) {
  Writer w;
  w.out.reserve(32768);
  w.u8(StateImage::kVersion);
  w.u8(image.receiveSysEx ? 1 : 0);
  w.u8(image.nrpnEnabled ? 1 : 0);
  w.f32(image.masterVolume);
  w.f32(image.masterTune);
  w.u16(image.polyphony);
  auto field = [&w](int32_t& value, int32_t size) {
    if (size == 1)
      w.u8(value);
    else
      w.u16(value);
    return true;
  };
  StateImage& img = const_cast<StateImage&>(image);  // the field walkers take references; nothing is changed
  for (StateImage::Part& p : img.parts) partFields(p, StateImage::kVersion, field);
  for (ToneParameters& t : img.tones) {
    w.name(t.presetName);
    toneFields(t, field);
  }
  for (SamplerPreset& s : img.samplers) {
    w.name(s.presetName);
    samplerFields(s, field);
  }
  for (const StateImage::Slot& s : image.slots) {
    if (!s.present) {
      w.u8(0);
      continue;
    }
    w.u8(1);
    w.i32(static_cast<int32_t>(s.path.size() + 1));
    w.out.insert(w.out.end(), s.path.begin(), s.path.end());
    w.u8(0);
    w.u8(s.mode);
    w.f32(s.sampleRate);
    w.f32(s.pitch);
    w.i32(s.start);
    w.i32(s.end);
    w.i32(s.loopStart);
    w.i32(s.loopEnd);
  }
  return std::move(w.out);
}

}  // namespace ovri::korvane::plugin

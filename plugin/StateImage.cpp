#include "plugin/StateImage.h"

#include "engine/LogCode.h"
#include "plugin/FileActions.h"
#include "sampleimport/SampleImport.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace ovri::korvane::plugin {

namespace {

using namespace synth;

// Values per record, in reading order (the loader counts its way through
// an image that ended early with these).
constexpr int32_t kHeaderValues = 6;
constexpr int32_t kToneValues = 1 + 6 + kOperatorCount * kOperatorFieldCount;  // name, 6, 48
constexpr int32_t kSamplerValues = 1 + 9;
int32_t partValues(int32_t version) { return version >= 3 ? 10 : 9; }

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

// Every field of a tone in image order, with the reader or writer.
template <typename Fn> bool toneFields(ToneParameters& t, Fn&& field) {
  if (!field(t.key, 1) || !field(t.pan, 1) || !field(t.lfoWave, 1) || !field(t.lfoFreq, 2) || !field(t.fl, 1) ||
      !field(t.strc, 1))
    return false;
  for (int32_t j = 0; j < kOperatorCount; ++j) {
    if (!field(t.tlVelCtrl[j], 1) || !field(t.mul[j], 1) || !field(t.tune[j], 2) || !field(t.lms[j], 1) ||
        !field(t.wave[j], 1) || !field(t.tl[j], 1) || !field(t.ar[j], 1) || !field(t.dr[j], 1) ||
        !field(t.sl[j], 1) || !field(t.rr[j], 1) || !field(t.kf[j], 1) || !field(t.kfStart[j], 1))
      return false;
  }
  return true;
}

template <typename Fn> bool samplerFields(SamplerPreset& s, Fn&& field) {
  return field(s.smplNum, 1) && field(s.pan, 1) && field(s.octv, 1) && field(s.tune, 2) && field(s.tl, 1) &&
         field(s.ar, 1) && field(s.dr, 1) && field(s.sl, 1) && field(s.rr, 1);
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

// Counts down the values an image holds while the loader applies them.
class Budget {
public:
  explicit Budget(int32_t values) : left(values) {}
  bool take() { return left-- > 0; }
  bool take(int32_t n) {
    if (left < n) {
      left = 0;
      return false;
    }
    left -= n;
    return true;
  }
  int32_t remaining() const { return left > 0 ? left : 0; }

private:
  int32_t left;
};

// Copies the fields of `from` to `to` in image order while the budget
// lasts (an image that ends inside a record).
template <typename Record, typename Walk>
void copyLeadingFields(const Record& from, Record& to, Budget& budget, Walk walk) {
  int32_t values[kOperatorCount * kOperatorFieldCount + 8];
  int32_t count = 0;
  Record source = from;
  walk(source, [&](int32_t& v, int32_t) {
    values[count++] = v;
    return true;
  });
  int32_t next = 0;
  walk(to, [&](int32_t& v, int32_t) {
    if (!budget.take()) return false;
    v = values[next++];
    return true;
  });
}

// The WAV file of each slot the image names, decoded before the engine is
// touched.
struct SlotPlan {
  bool reached = false;      // the present byte was read
  bool imported = false;     // path and mode were read: the file is imported
  sampleimport::WavLoadResult result = sampleimport::WavLoadResult::CannotOpen;
  SampleData decoded;
};

void applyFloatFields(SampleData& d, const StateImage::Slot& s, Budget& budget) {
  if (!budget.take()) return;
  d.sampleRate = s.sampleRate;
  d.logRate = logPitchUnitsF(d.sampleRate);
  d.pitchOffset = d.logRate - d.logPitch;
  if (!budget.take()) return;
  d.pitch = s.pitch;
  d.logPitch = logPitchUnitsF(d.pitch);
  d.pitchOffset = d.logRate - d.logPitch;
  if (!budget.take(2)) return;
  if (s.start >= 0 && s.start < s.end && s.end <= d.length) {
    d.start = s.start;
    d.end = s.end;
    d.loopEnd = s.end;
    d.loopLength = d.loopTail = 0;
  }
  if (!budget.take(2)) return;
  if (s.loopStart >= d.start && s.loopStart < s.loopEnd && s.loopEnd <= d.end) {
    d.loopEnd = s.loopEnd;
    d.loopLength = s.loopEnd - s.loopStart;
    d.loopTail = s.loopEnd == d.end ? d.loopLength : 0;
  } else {
    d.loopEnd = d.end;
    d.loopLength = d.loopTail = 0;
  }
}

}  // namespace

void parseStateImage(const uint8_t* bytes, size_t length, StateImage& image) {
  image.valuesRead = 0;
  Reader reader(bytes, bytes != nullptr ? length : 0, image.valuesRead);
  image.complete = readImage(reader, image);
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

void captureStateImage(EngineHost& host, StateImage& image) {
  SynthesizerFM4& s = *host.synth;
  {
    auto lock = host.lockEngine();
    image.version = StateImage::kVersion;
    image.receiveSysEx = s.getReceiveSysEx();
    image.nrpnEnabled = s.isNrpnEnabled();
    image.masterVolume = s.getMasterVolume();
    image.masterTune = s.getMasterTune();
    image.polyphony = s.getPolyphony();
    for (int32_t i = 0; i < kPartCount; ++i) {
      const PartState& p = s.getPart(i);
      image.parts[i] = {p.output,          p.defaultMode,     p.mode,           p.program,
                        p.bendRange,       p.pitchBend,       p.controllers[1], p.controllers[7],
                        p.controllers[10], p.controllers[11]};
    }
    for (int32_t i = 0; i < kToneCount; ++i) image.tones[i] = s.getTonePreset(i);
    for (int32_t i = 0; i < kSamplerPresetCount; ++i) image.samplers[i] = s.getSamplerPreset(i);
    for (int32_t i = 0; i < kSampleSlotCount; ++i) {
      const SampleData& d = s.getSampleData(i);
      StateImage::Slot& slot = image.slots[i];
      slot.sampleRate = d.sampleRate;
      slot.pitch = d.pitch;
      const bool loop = d.loopLength > 0;
      slot.start = d.start;
      slot.end = d.end;
      slot.loopStart = loop ? d.loopEnd - d.loopLength : 0;
      slot.loopEnd = loop ? d.loopEnd : 0;
      if (d.samples == nullptr && host.slotPoints[i].valid) {  // file missing since the last load
        const EngineHost::SlotPoints& kept = host.slotPoints[i];
        slot.start = kept.start;
        slot.end = kept.end;
        slot.loopStart = kept.loopStart;
        slot.loopEnd = kept.loopEnd;
      }
    }
  }
  // The file paths belong to the main thread.
  for (int32_t i = 0; i < kSampleSlotCount; ++i) {
    StateImage::Slot& slot = image.slots[i];
    const char* path = host.getSampleFilePath(i);
    slot.present = path != nullptr;
    slot.path = path != nullptr ? path : "";
    slot.mode = host.importModes[i];
  }
  image.valuesRead = 0;
  image.complete = true;
}

bool loadStateImage(EngineHost& host, const StateImage& image) {
  SynthesizerFM4& s = *host.synth;
  const int32_t version = image.version > StateImage::kVersion ? StateImage::kVersion : image.version;

  // Outside the engine lock: the new voices, the WAV files, the paths.
  SynthesizerFM4::VoicePool pool;
  const bool polyphonyRead = image.valuesRead >= kHeaderValues;
  if (polyphonyRead && image.polyphony > 0) {
    int32_t current;
    {
      auto lock = host.lockEngine();
      current = s.getPolyphony();
    }
    if (image.polyphony != current) s.prepareVoices(pool, SynthesizerFM4::roundVoiceCount(image.polyphony));
  }
  const int32_t slotsStart = kHeaderValues + kPartCount * partValues(version) + kToneCount * kToneValues +
                             kSamplerPresetCount * kSamplerValues;
  std::unique_ptr<SlotPlan[]> plans(new SlotPlan[kSampleSlotCount]);
  {
    Budget budget(image.valuesRead - slotsStart);
    for (int32_t i = 0; i < kSampleSlotCount; ++i) {
      const StateImage::Slot& slot = image.slots[i];
      SlotPlan& plan = plans[i];
      if (!budget.take()) break;
      plan.reached = true;
      if (!slot.present) {
        host.forgetSampleFile(i);
        continue;
      }
      const int32_t head = version >= 2 ? 2 : 1;  // path, mode
      if (!budget.take(head)) break;
      plan.imported = true;
      host.setSampleFilePath(i, slot.path.c_str());
      host.importModes[i] = slot.mode;
      plan.result = sampleimport::loadWavFile(
          slot.path, static_cast<sampleimport::ImportMode>(slot.mode > 2 ? 0 : slot.mode), plan.decoded);
      const bool loaded = plan.result == sampleimport::WavLoadResult::Loaded;
      EngineHost::SlotPoints& kept = host.slotPoints[i];
      kept = EngineHost::SlotPoints{};
      if (!loaded && budget.remaining() >= 6) kept = {true, slot.start, slot.end, slot.loopStart, slot.loopEnd};
      budget.take(6);
    }
  }

  std::unique_ptr<SampleData[]> released(new SampleData[kSampleSlotCount]);  // freed after the lock
  auto lock = host.lockEngine();
  s.stopVoices(-1);
  Budget budget(image.valuesRead);
  if (!budget.take()) return false;  // not even a version
  if (!budget.take()) return false;
  s.setReceiveSysEx(image.receiveSysEx);
  if (!budget.take()) return false;
  s.setNrpnEnabled(image.nrpnEnabled);
  if (!budget.take()) return false;
  s.setMasterVolume(image.masterVolume);
  if (!budget.take()) return false;
  s.setMasterTune(image.masterTune);
  if (!budget.take()) return false;
  if (pool.size() > 0) host.installVoices(pool);

  for (int32_t i = 0; i < kPartCount; ++i) {
    const StateImage::Part& from = image.parts[i];
    PartState& p = s.getPart(i);
    int32_t* const targets[10] = {&p.output,         &p.defaultMode,     &p.mode,           &p.program,
                                  &p.bendRange,      &p.pitchBend,       &p.controllers[1], &p.controllers[7],
                                  &p.controllers[10], &p.controllers[11]};
    const int32_t values[10] = {from.output,     from.defaultMode, from.mode,   from.program, from.bendRange,
                                from.pitchBend,  from.modulation,  from.volume, from.pan,     from.expression};
    for (int32_t f = version >= 3 ? 0 : 1; f < 10; ++f) {
      if (!budget.take()) return false;
      *targets[f] = values[f];
    }
  }
  for (int32_t i = 0; i < kToneCount; ++i) {
    if (budget.remaining() >= kToneValues) {
      budget.take(kToneValues);
      static_cast<ToneParameters&>(s.getTonePreset(i)) = image.tones[i];
      continue;
    }
    // The image ends inside this tone: its leading values only.
    TonePreset& t = s.getTonePreset(i);
    if (!budget.take()) return false;
    std::memcpy(t.presetName, image.tones[i].presetName, kPresetNameLength);
    copyLeadingFields(image.tones[i], static_cast<ToneParameters&>(t), budget,
                      [](ToneParameters& r, auto&& f) { return toneFields(r, f); });
    return false;
  }
  for (int32_t i = 0; i < kSamplerPresetCount; ++i) {
    SamplerPreset& target = s.getSamplerPreset(i);
    if (budget.remaining() >= kSamplerValues) {
      budget.take(kSamplerValues);
      target = image.samplers[i];
      continue;
    }
    if (!budget.take()) return false;
    std::memcpy(target.presetName, image.samplers[i].presetName, kPresetNameLength);
    copyLeadingFields(image.samplers[i], target, budget,
                      [](SamplerPreset& r, auto&& f) { return samplerFields(r, f); });
    return false;
  }
  for (int32_t i = 0; i < kSampleSlotCount; ++i) {
    SlotPlan& plan = plans[i];
    if (!plan.reached) return false;
    budget.take();
    SampleData& d = s.getSampleData(i);
    if (!image.slots[i].present) {
      released[i].takeFrom(d);  // not named by the image: cleared
      continue;
    }
    if (!plan.imported) return false;  // the image ends inside this slot's record
    budget.take(version >= 2 ? 2 : 1);
    host.setBusy(EngineHost::kBusyImport);
    released[i].takeFrom(d);
    if (plan.result == sampleimport::WavLoadResult::Loaded) d.takeFrom(plan.decoded);
    host.clearBusy(EngineHost::kBusyImport);
    applyFloatFields(d, image.slots[i], budget);
  }
  return image.complete;
}

}  // namespace ovri::korvane::plugin

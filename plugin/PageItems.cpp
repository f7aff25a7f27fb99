#include "plugin/PageItems.h"

#include "plugin/EditorProtocol.h"
#include "plugin/KorvaneIds.h"
#include "plugin/ValueTags.h"
#include "tonegen/SoundFields.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace ovri::korvane::plugin {

namespace {

using synth::PartState;

// Where a value lives in the model, for the editor's selection. Each
// accessor reaches one field of a const or a mutable model, so that the
// row's reader and its writer are the same line.
template <std::size_t I> struct ToneAt {
  template <typename Model> static auto& of(Model& m, const EditorSelection& s) {
    return m.tones[s.tone].*synth::kToneFields[I].member;
  }
};
template <std::size_t J, std::size_t K> struct OperatorAt {
  template <typename Model> static auto& of(Model& m, const EditorSelection& s) {
    return (m.tones[s.tone].*synth::kOperatorFields[K].member)[J];
  }
};
template <std::size_t I> struct SamplerAt {
  template <typename Model> static auto& of(Model& m, const EditorSelection& s) {
    return m.samplers[s.samplerPreset].*synth::kSamplerFields[I].member;
  }
};
template <int32_t PartState::*Member> struct PartAt {
  template <typename Model> static auto& of(Model& m, const EditorSelection& s) { return m.parts[s.part].*Member; }
};
template <int32_t Controller> struct ControllerAt {
  template <typename Model> static auto& of(Model& m, const EditorSelection& s) {
    return m.parts[s.part].controllers[Controller];
  }
};

template <typename At> double readOf(const EngineView& v) { return At::of(v.soundModel(), v.selection()); }
template <typename At> int32_t* fieldOf(SoundModel& m, const EditorSelection& s) { return &At::of(m, s); }

// The plain values that are not one integer field.
const EngineSettings& settingsOf(const EngineView& v) { return v.soundModel().settings; }
const SampleParameters& slotOf(const EngineView& v) { return v.soundModel().slots[v.selection().sample]; }
double masterVolumeOf(const EngineView& v) { return settingsOf(v).masterVolume; }
double masterTuneOf(const EngineView& v) { return settingsOf(v).masterTune; }
double receiveSysExOf(const EngineView& v) { return settingsOf(v).receiveSysEx ? 1.0 : 0.0; }
double nrpnOf(const EngineView& v) { return settingsOf(v).nrpnEnabled ? 1.0 : 0.0; }
double polyphonyOf(const EngineView& v) { return settingsOf(v).polyphony; }
double partOf(const EngineView& v) { return v.selection().part; }
double toneOf(const EngineView& v) { return v.selection().tone; }
double samplerPresetOf(const EngineView& v) { return v.selection().samplerPreset; }
double sampleOf(const EngineView& v) { return v.selection().sample; }
double sampleRateOf(const EngineView& v) { return slotOf(v).sampleRate; }
double pitchOf(const EngineView& v) { return slotOf(v).pitch; }
double startOf(const EngineView& v) { return slotOf(v).start; }
double endOf(const EngineView& v) { return slotOf(v).end; }
double loopStartOf(const EngineView& v) { return shownLoopPoints(v, v.selection().sample).start; }
double loopEndOf(const EngineView& v) { return shownLoopPoints(v, v.selection().sample).end; }

constexpr CommandKind kNoCommand = CommandKind::kSoundOff;  // a row that sends no part command

PageItem row(int32_t tag, ItemScale scale, int32_t range, ItemText text, EchoRounding echo, const char* caption,
             double (*read)(const EngineView&), int32_t* (*field)(SoundModel&, const EditorSelection&) = nullptr) {
  return {tag, scale, range, text, 0, echo, 0, kNoCommand, caption, -1, read, field};
}

PageItem action(int32_t tag) { return row(tag, ItemScale::kAction, 0, ItemText::kNone, EchoRounding::kNone, nullptr, nullptr); }

// A part field that mirrors a host parameter (midiNumber) and sends an
// engine command.
template <typename At>
PageItem partRow(int32_t item, int32_t range, ItemText text, int32_t shownOffset, EchoRounding echo, uint32_t midiNumber,
                 CommandKind command, const char* caption) {
  PageItem r = row(protocol::tags::kPartPage | item, ItemScale::kSteps, range, text, echo, caption, &readOf<At>,
                   &fieldOf<At>);
  r.shownOffset = shownOffset;
  r.midiNumber = midiNumber;
  r.command = command;
  return r;
}

// What the status line calls a record field, by its name in the record
// table; no caption: the field has no box (a menu or a display shows it).
struct Caption {
  const char* field;
  const char* caption;
};
constexpr Caption kToneCaptions[] = {{"key", "Percussion key"}, {"pan", "Pan"},          {"strc", "Structure"},
                                     {"fl", "Feedback"},        {"lfoFreq", "LFO freq"}, {"lfoWave", nullptr}};
constexpr Caption kOperatorCaptions[] = {
    {"wave", nullptr}, {"mul", "multiple"}, {"tune", "tune"}, {"lms", "LFO sens"}, {"tlVelCtrl", "TL velo"},
    {"tl", "TL"},      {"ar", "AR"},        {"dr", "DR"},     {"sl", "SL"},        {"rr", "RR"},
    {"kf", "KF"},      {"kfStart", "KF start"}};
constexpr Caption kSamplerCaptions[] = {{"smplNum", "Sample number"}, {"pan", "Pan"}, {"octv", "Octave"},
                                        {"tune", "Tune"}, {"tl", "TL"}, {"ar", "AR"}, {"dr", "DR"},
                                        {"sl", "SL"}, {"rr", "RR"}};

template <std::size_t N> const char* captionFor(const Caption (&captions)[N], const char* field) {
  for (const Caption& c : captions)
    if (std::strcmp(c.field, field) == 0) return c.caption;
  return nullptr;
}

// A row of a record table: tag item and range from the table.
template <typename Field, std::size_t N>
PageItem recordRow(int32_t tag, const Field& f, int32_t op, const Caption (&captions)[N],
                   double (*read)(const EngineView&), int32_t* (*field)(SoundModel&, const EditorSelection&)) {
  const char* caption = captionFor(captions, f.name);
  PageItem r = row(tag, ItemScale::kSteps, f.tagRange, caption ? ItemText::kInteger : ItemText::kNone,
                   EchoRounding::kNearest, caption, read, field);
  r.op = op;
  return r;
}

template <std::size_t... I> void addToneRows(std::vector<PageItem>& rows, std::index_sequence<I...>) {
  (rows.push_back(recordRow(protocol::tags::kTonePage | synth::kToneFields[I].tagItem, synth::kToneFields[I], -1,
                            kToneCaptions, &readOf<ToneAt<I>>, &fieldOf<ToneAt<I>>)),
   ...);
}

template <std::size_t J, std::size_t... K> void addOperatorRows(std::vector<PageItem>& rows, std::index_sequence<K...>) {
  constexpr int32_t base = protocol::tags::kTonePage | (synth::kToneTagOperatorBase + synth::kToneTagOperatorStride * J);
  (rows.push_back(recordRow(base | synth::kOperatorFields[K].tagItem, synth::kOperatorFields[K], J, kOperatorCaptions,
                            &readOf<OperatorAt<J, K>>, &fieldOf<OperatorAt<J, K>>)),
   ...);
}

template <std::size_t... J> void addOperators(std::vector<PageItem>& rows, std::index_sequence<J...>) {
  (addOperatorRows<J>(rows, std::make_index_sequence<synth::kOperatorFieldCount>{}), ...);
}

template <std::size_t... I> void addSamplerRows(std::vector<PageItem>& rows, std::index_sequence<I...>) {
  (rows.push_back(recordRow(protocol::tags::kSamplerPage | synth::kSamplerFields[I].tagItem, synth::kSamplerFields[I],
                            -1, kSamplerCaptions, &readOf<SamplerAt<I>>, &fieldOf<SamplerAt<I>>)),
   ...);
}

std::vector<PageItem> buildPageItems() {
  namespace t = protocol::tags;
  using S = ItemScale;
  using T = ItemText;
  using E = EchoRounding;
  std::vector<PageItem> rows = {
      // System page.
      row(t::kMasterVolume, S::kGain, 200, T::kDecibel, E::kNearest, "Main volume", &masterVolumeOf),
      row(t::kMasterTune, S::kReferencePitch, 800, T::kHertz, E::kNearest, "Reference pitch", &masterTuneOf),
      action(t::kResetAllParts),
      row(t::kReceiveSysEx, S::kToggle, 0, T::kNone, E::kNearest, nullptr, &receiveSysExOf),
      row(t::kNrpnEnable, S::kToggle, 0, T::kNone, E::kNearest, nullptr, &nrpnOf),
      row(t::kSustainPedal, S::kToggle, 0, T::kNone, E::kNearest, nullptr, nullptr),  // the processor's own
      row(t::kPolyphony, S::kPolyphony, 8, T::kNone, E::kNearest, nullptr, &polyphonyOf),
      // Part page (the selected part).
      row(t::kSelectPart, S::kSteps, 15, T::kNone, E::kNearest, nullptr, &partOf),
      partRow<PartAt<&PartState::mode>>(0x02, 3, T::kNone, 0, E::kNearest, 0, CommandKind::kPartMode, nullptr),
      partRow<PartAt<&PartState::program>>(0x03, 127, T::kInteger, 0, E::kWide, kProgramChangeNumber,
                                           CommandKind::kProgramChange, "Program"),
      partRow<PartAt<&PartState::bendRange>>(0x04, 127, T::kInteger, 0, E::kDown, 0, CommandKind::kBendRange,
                                             "Bend range"),
      partRow<PartAt<&PartState::pitchBend>>(0x05, 16383, T::kInteger, 8192, E::kWide, kPitchBendNumber,
                                             CommandKind::kPitchBend, "Pitch bend"),
      partRow<ControllerAt<1>>(0x06, 127, T::kInteger, 0, E::kWide, 1, CommandKind::kControlChange, "Modulation"),
      partRow<ControllerAt<7>>(0x07, 127, T::kInteger, 0, E::kWide, 7, CommandKind::kControlChange, "Volume"),
      partRow<ControllerAt<10>>(0x08, 127, T::kInteger, 64, E::kWide, 10, CommandKind::kControlChange, "Pan"),
      partRow<ControllerAt<11>>(0x09, 127, T::kInteger, 0, E::kWide, 11, CommandKind::kControlChange, "Expression"),
      action(t::kPartPage | 0x81),
      action(t::kPartPage | 0x82),
      action(t::kPartPage | 0x83),
      partRow<PartAt<&PartState::output>>(0x90, 15, T::kNone, 0, E::kNearest, 0, CommandKind::kPartOutput, nullptr),
      // Tone page (the selected tone); its fields follow.
      row(t::kSelectTone, S::kSteps, 255, T::kToneNumber, E::kNone, "Preset number", &toneOf),
      row(t::kToneName, S::kName, 0, T::kNone, E::kNone, nullptr, nullptr),
      action(t::kTonePage | 0x81),
      // Sampler preset page (the selected preset); its fields follow.
      row(t::kSelectSamplerPreset, S::kSteps, 127, T::kInteger, E::kNone, "Key number", &samplerPresetOf),
      row(t::kSamplerName, S::kName, 0, T::kNone, E::kNone, nullptr, nullptr),
      action(t::kSamplerPage | 0x81),
      // Sample data page (the selected slot): raw Hz and frames.
      row(t::kSelectSample, S::kSteps, 127, T::kInteger, E::kNone, "Sample number", &sampleOf),
      row(t::kSamplePage | 0x04, S::kHertz, 0, T::kHertz, E::kNearest, "Sample rate", &sampleRateOf),
      row(t::kSamplePage | 0x05, S::kHertz, 0, T::kHertz, E::kNearest, "Pitch", &pitchOf),
      row(t::kSamplePage | 0x07, S::kFrames, 0, T::kFrames, E::kNearest, "Playback start", &startOf),
      row(t::kSamplePage | 0x08, S::kFrames, 0, T::kFrames, E::kNearest, "Playback end", &endOf),
      row(t::kSamplePage | 0x09, S::kFrames, 0, T::kFrames, E::kNearest, "Loop start", &loopStartOf),
      row(t::kSamplePage | 0x0A, S::kFrames, 0, T::kFrames, E::kNearest, "Loop end", &loopEndOf),
      action(t::kClearSample),
  };
  addToneRows(rows, std::make_index_sequence<synth::kToneFieldCount>{});
  addOperators(rows, std::make_index_sequence<synth::kOperatorCount>{});
  addSamplerRows(rows, std::make_index_sequence<synth::kSamplerFieldCount>{});
  std::sort(rows.begin(), rows.end(), [](const PageItem& a, const PageItem& b) { return a.tag < b.tag; });
  return rows;
}

// n / range within 0..1: 0 below low, 1 from high on.
float clampedRatio(double n, double low, double high, double offset, double range) {
  if (n >= high) return 1.f;
  if (n < low) return 0.f;
  return static_cast<float>((n + offset) / range);
}

}  // namespace

const std::vector<PageItem>& pageItems() {
  static const std::vector<PageItem> rows = buildPageItems();
  return rows;
}

const PageItem* findPageItem(int32_t tag) {
  const std::vector<PageItem>& rows = pageItems();
  const auto at = std::lower_bound(rows.begin(), rows.end(), tag, [](const PageItem& r, int32_t t) { return r.tag < t; });
  return at != rows.end() && at->tag == tag ? &*at : nullptr;
}

bool normalised(const PageItem& item) {
  switch (item.scale) {
    case ItemScale::kSteps:
    case ItemScale::kGain:
    case ItemScale::kReferencePitch:
    case ItemScale::kPolyphony:
    case ItemScale::kToggle: return true;
    default: return false;
  }
}

float normalisedOf(const PageItem& item, double plain) {
  switch (item.scale) {
    case ItemScale::kSteps: return static_cast<float>(plain) / static_cast<float>(item.range);
    case ItemScale::kReferencePitch: return (static_cast<float>(plain) - 400.f) / 80.f;
    case ItemScale::kPolyphony: return plain > 0.0 ? static_cast<float>((std::log2(plain) - 2.0) * 0.125) : 0.f;
    case ItemScale::kToggle: return plain > 0.5 ? 1.f : 0.f;
    default: return static_cast<float>(plain);
  }
}

double echoedPlain(const PageItem& item, double x) {
  switch (item.scale) {
    case ItemScale::kSteps:
      switch (item.echo) {
        case EchoRounding::kWide: return static_cast<int32_t>(x * (item.range + 0.5));
        case EchoRounding::kDown: return static_cast<int32_t>(x * item.range);
        default: return static_cast<int32_t>(x * item.range + 0.5);
      }
    case ItemScale::kReferencePitch: return x * 80.0 + 400.0;
    default: return x;
  }
}

std::string itemText(const PageItem& item, double plain) {
  switch (item.text) {
    case ItemText::kInteger: return std::to_string(static_cast<int32_t>(plain) - item.shownOffset);
    case ItemText::kToneNumber: return toneNumberText(static_cast<int32_t>(plain));
    case ItemText::kDecibel: return decibelText(plain);
    case ItemText::kHertz: return shortestText(plain);
    case ItemText::kFrames: return std::to_string(static_cast<int32_t>(plain));
    default: return {};
  }
}

std::optional<float> parseItemText(const PageItem& item, const char* text) {
  switch (item.text) {
    case ItemText::kDecibel: {
      const double f = std::strtof(text, nullptr);
      if (std::isinf(f)) return 0.f;  // "inf", as the box shows a gain of 0
      if (f >= 0.0) return 1.f;
      if (f < -96.0) return 0.f;
      return static_cast<float>(std::pow(10.0, f / 20.0));
    }
    case ItemText::kHertz: {
      const float f = std::strtof(text, nullptr);
      if (item.scale == ItemScale::kReferencePitch) return clampedRatio(f, 400.0, 480.0, -400.0, 80.0);
      return f;
    }
    case ItemText::kInteger:
    case ItemText::kToneNumber: {
      const double n = static_cast<double>(std::strtol(text, nullptr, 10));
      const double offset = item.shownOffset;
      return clampedRatio(n, -offset, item.range - offset, offset, item.range);
    }
    case ItemText::kFrames: return static_cast<float>(std::strtol(text, nullptr, 10));
    default: return std::nullopt;
  }
}

std::string captionOf(const PageItem& item) {
  if (item.op >= 0 && item.caption) return "Operator " + std::to_string(item.op) + " " + item.caption;
  return item.caption ? item.caption : "Value";
}

std::string shortestText(double v) {
  char text[64];
  const float target = static_cast<float>(v);
  for (int decimals = 0; decimals <= 6; ++decimals) {
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    if (std::strtof(text, nullptr) == target) break;
  }
  std::string out = text;
  // Six decimals that still differ: without the zeros at the end.
  if (out.find('.') != std::string::npos) {
    out.erase(out.find_last_not_of('0') + 1);
    if (out.back() == '.') out.pop_back();
  }
  if (out == "-0") out = "0";
  return out;
}

std::string decibelText(double gain) { return gain == 0.0 ? std::string("inf") : shortestText(20.0 * std::log10(gain)); }

std::string toneNumberText(int32_t tone) {
  if (tone <= 127) return std::to_string(tone);
  return std::to_string(tone) + " [" + std::to_string(tone - synth::kPercussionToneBase) + "]";
}

}  // namespace ovri::korvane::plugin

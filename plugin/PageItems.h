#pragma once

// The page items: one row for every value tag (EditorProtocol.h) the editor
// can change, saying where the value lives, how a normalised value becomes
// it, how a box writes it and reads a typed text back, and what an echo
// shows. The processor applies changes through it (ValueTags.cpp) and the
// editor builds its sliders, refreshes, echoes and reads its boxes from it;
// the editor's layouts say only which control shows which tag, and where.
//
// Tone and sampler preset rows are made from the record tables of
// tonegen/SoundFields.h (tag item, range R and field); the system, part and
// sample data rows are written once in PageItems.cpp.

#include "plugin/EngineCommand.h"
#include "plugin/EngineView.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ovri::korvane::plugin {

// How a normalised value v becomes the item's value.
enum class ItemScale : uint8_t {
  kSteps,           // n = (int)(v x R + 0.5), answered n / R
  kGain,            // master volume: v itself, a linear gain
  kReferencePitch,  // master tune: 400 + 80 v Hz, answered v
  kPolyphony,       // 4 << (int)(v x 8) voices, answered the index / 8
  kToggle,          // each change flips the switch, answered 1 or 0
  kHertz,           // not normalised: a frequency in Hz
  kFrames,          // not normalised: a frame position
  kName,            // the preset name, written into the model by the editor
  kAction,          // a reset, a clear: no value
};

// How a box writes the plain value and reads a typed one.
enum class ItemText : uint8_t {
  kNone,        // no box: a slider, a menu or a display alone
  kInteger,     // decimal n - shownOffset; typed: strtol, (n + offset) / R within 0..1
  kToneNumber,  // as kInteger, a percussion tone with its key: "130 [2]"
  kDecibel,     // the gain in dB, "inf" for 0; typed: strtof dB, 0 dB and above 1, below -96 dB 0
  kHertz,       // shortest exact decimal (valueText); typed: strtof
  kFrames,      // decimal; typed: strtol
};

// Whether an echo moves the item's controls, and how a kSteps item's box
// turns the echo's normalised x into its number (the other scales show x as
// it stands: a gain, 400 + 80 x Hz, raw Hz or frames).
enum class EchoRounding : uint8_t {
  kNone,     // an echo leaves the item's controls alone
  kNearest,  // (int)(x x R + 0.5), as the processor rounds
  kWide,     // (int)(x x (R + 0.5))
  kDown,     // (int)(x x R)
};

struct PageItem {
  int32_t tag;
  ItemScale scale;
  // R of a kSteps item; for kGain and kReferencePitch the slider's steps
  // (one wheel step moves it by 1 / range); 0 otherwise.
  int32_t range;
  ItemText text;
  int32_t shownOffset;  // a kInteger box shows n - shownOffset
  EchoRounding echo;
  // The host parameter (controller number, KorvaneIds.h pitch bend or
  // program change) a part item also moves; 0 for none.
  uint32_t midiNumber;
  // The engine command a part field's change sends (kControlChange:
  // controller midiNumber).
  CommandKind command;
  // What the status line calls the value; operator rows: the field, said
  // after "Operator j".
  const char* caption;
  int32_t op;  // the operator of an operator row, -1 for any other
  // The value in force as the item's value (kSteps: n; kGain: the gain;
  // Hz; frames; 0/1), read from the model and the selection; null where
  // the model holds none.
  double (*read)(const EngineView& view);
  // The integer field a kSteps change stores into; null for selections and
  // for items that are not one field.
  int32_t* (*field)(SoundModel& model, const EditorSelection& selection);
};

// Every row, ordered by tag.
const std::vector<PageItem>& pageItems();
// The row of a value tag, null for a tag that names no item.
const PageItem* findPageItem(int32_t tag);

// True for the items whose value is normalised to 0..1.
bool normalised(const PageItem& item);
// The normalised value of a plain one, as a slider or menu shows it.
float normalisedOf(const PageItem& item, double plain);
// The plain value an echo's normalised x stands for, rounded as the row's
// echo says (kGain, kReferencePitch: exact; not normalised: x itself).
double echoedPlain(const PageItem& item, double x);
// What a box shows for a plain value; empty for an item without a box.
std::string itemText(const PageItem& item, double plain);
// The value a typed text sends: normalised or plain as the item is; none
// for an item without a box. A text that begins with no number reads as 0.
std::optional<float> parseItemText(const PageItem& item, const char* text);
// The status line's name of the value.
std::string captionOf(const PageItem& item);

// Text forms: the shortest decimal, up to six decimals, that reads back as
// the same single-precision value (440, -1.9382, 479.95); a gain in dB
// ("inf" for 0); a tone number with the key of a percussion tone.
std::string shortestText(double v);
std::string decibelText(double gain);
std::string toneNumberText(int32_t tone);

}  // namespace ovri::korvane::plugin

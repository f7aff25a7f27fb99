// The user's input: a control's change becomes a value change for its
// value tag, read through the page item table (plugin/PageItems.h); the
// part controls that mirror MIDI controllers also move the host's
// parameters, and the name boxes write the name into the record.
#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EditorProtocol.h"
#include "plugin/EngineView.h"
#include "plugin/KorvaneIds.h"
#include "plugin/PageItems.h"
#include "tonegen/SoundData.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Steinberg::Vst {

using namespace VSTGUI;
namespace tags = ovri::korvane::protocol::tags;
namespace plugin = ovri::korvane::plugin;
using ovri::korvane::EngineView;

namespace {
constexpr int kNameLength = ovri::korvane::synth::kPresetNameLength;
}  // namespace

void KorvaneVSTGUIEditor::valueChanged(CControl* control) {
  if (!engineHost() || !control) return;
  const int32_t tag = control->getTag();
  if (tag & kNumericBox) {
    onTextBoxCommit(control);
    return;
  }
  if (!(tag & kValueControl)) return;
  const float v = control->getValueNormalized();
  const bool pressed = v > 0.5f;
  const int32_t valueTag = tag & 0xFFFF;
  const int32_t page = valueTag & tags::kPageMask;
  const int32_t item = valueTag & tags::kItemMask;

  if (page != kAboutPage && aboutView && aboutView->isVisible()) return;  // modal
  if (page == kAboutPage) {
    if (pressed && item == 0x00 && aboutView) {
      frame->setFocusView(nullptr);  // no box keeps the keys under the overlay
      aboutView->setVisible(true);
    }
    if (pressed && item == 0x01 && aboutView) aboutView->setVisible(false);
    return;
  }
  if (item == 0x00) {
    if (const PageMenu* menu = pageMenu(page); menu && pressed) popup(menu->menu, menu->anchor);
    return;
  }
  if (item == 0x80) {
    onMenuChoice(page);
    return;
  }
  const plugin::PageItem* row = plugin::findPageItem(valueTag);
  if (!row) return;
  switch (row->scale) {
    case plugin::ItemScale::kName:
      if (auto* box = dynamic_cast<CTextEdit*>(control)) storePresetName(box, page == tags::kTonePage);
      break;
    case plugin::ItemScale::kHertz:
    case plugin::ItemScale::kFrames:
      if (auto* box = dynamic_cast<CTextLabel*>(control); box && acceptNumber(valueTag, box->getText())) {
        const std::string& text = box->getText();
        if (row->scale == plugin::ItemScale::kHertz) {
          sendValueChange(valueTag, *plugin::parseItemText(*row, text.c_str()));
        } else {
          // The answer comes back inside the send: typedPoint tells it
          // what was asked for.
          const long typed = std::strtol(text.c_str(), nullptr, 10);
          typedPoint = {valueTag, typed};
          sendValueChange(valueTag, static_cast<float>(typed));
          typedPoint = {};
        }
      }
      break;
    case plugin::ItemScale::kSteps:
    case plugin::ItemScale::kGain:
    case plugin::ItemScale::kReferencePitch:
      sendValueChange(valueTag, v);
      performPartEdit(*row, v);
      break;
    default:
      break;  // menu entries: onMenuChoice
  }
}

int32_t KorvaneVSTGUIEditor::selectedPart() {
  EngineView* host = engineHost();
  if (!host) return 0;
  auto lock = host->lockMain();
  return host->selection().part;
}

// A part control's edit of the host's parameter, as one gesture.
void KorvaneVSTGUIEditor::performPartEdit(const plugin::PageItem& item, float v) {
  if (item.midiNumber == 0 || !controller) return;
  const ParamID id = plugin::midiParamId(static_cast<uint32_t>(selectedPart()), item.midiNumber);
  controller->beginEdit(id);
  controller->performEdit(id, v);
  controller->endEdit(id);
}

float KorvaneVSTGUIEditor::textBoxValue(int32_t valueTag, const char* text) {
  const plugin::PageItem* row = plugin::findPageItem(valueTag);
  if (!row || !plugin::normalised(*row)) return -1.f;
  return plugin::parseItemText(*row, text).value_or(-1.f);
}

// A text that begins with no number is refused with a word in the status
// line; the box shows the value in force again at the next refresh.
bool KorvaneVSTGUIEditor::acceptNumber(int32_t valueTag, const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double n = std::strtod(begin, &end);
  if (end != begin && !std::isnan(n)) return true;
  showStatus(captionOf(valueTag) + ": '" + text + "' is not a number");
  return false;
}

std::string KorvaneVSTGUIEditor::captionOf(int32_t valueTag) {
  const plugin::PageItem* row = plugin::findPageItem(valueTag);
  return row ? plugin::captionOf(*row) : "Value";
}

void KorvaneVSTGUIEditor::onTextBoxCommit(CControl* control) {
  auto* box = dynamic_cast<CTextLabel*>(control);
  if (!box) return;
  const int32_t valueTag = control->getTag() & 0xFFFF;
  if (!acceptNumber(valueTag, box->getText())) return;
  const float value = textBoxValue(valueTag, box->getText().c_str());
  if (value < 0.f) return;
  performPartEdit(*plugin::findPageItem(valueTag), value);
  sendValueChange(valueTag, value);
}

// The name goes into the main thread's record, then the processor is asked
// to hand the selected record to the engine.
void KorvaneVSTGUIEditor::storePresetName(CTextEdit* box, bool tone) {
  EngineView* host = engineHost();
  if (!host) return;
  std::string stored;
  {
    auto lock = host->lockMain();
    char* name = host->selectedPresetName(tone);
    int n = 0;
    for (unsigned char c : box->getText()) {
      if (n == kNameLength) break;
      if (c >= 32 && c <= 126) name[n++] = static_cast<char>(c);
    }
    for (; n < kNameLength; ++n) name[n] = ' ';
    name[kNameLength] = 0;
    stored = nameOf(name);
  }
  box->setText(stored);
  sendValueChange(tone ? tags::kToneName : tags::kSamplerName, 0.f);
}

std::string KorvaneVSTGUIEditor::nameOf(const char* name) {
  return std::string(name, strnlen(name, kNameLength));
}

}  // namespace Steinberg::Vst

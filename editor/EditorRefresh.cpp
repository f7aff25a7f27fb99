// The view update path: the refreshes read the values in force from the
// engine host, an echo moves the controls of one value tag by the value it
// carries. Both go through the page item table (plugin/PageItems.h): a
// normalised item's slider or menu gets its normalised value and its
// numeric box (bit 29) the text; a raw item (Hz, frames) shows its text in
// its value control's box.
#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EditorProtocol.h"
#include "plugin/EngineView.h"
#include "plugin/KorvaneIds.h"
#include "plugin/PageItems.h"
#include "tonegen/SoundData.h"

namespace Steinberg::Vst {

using namespace VSTGUI;
namespace tags = ovri::korvane::protocol::tags;
namespace synth = ovri::korvane::synth;
namespace plugin = ovri::korvane::plugin;
using ovri::korvane::EngineView;

// ---- controls by tag -----------------------------------------------------

CControl* KorvaneVSTGUIEditor::findControl(int32_t controlTag) const {
  for (CControl* control : controls)
    if (control->getTag() == controlTag) return control;
  return nullptr;
}

COptionMenu* KorvaneVSTGUIEditor::popupMenu(int32_t controlTag) const {
  for (COptionMenu* menu : menus)
    if (menu && menu->getTag() == controlTag) return menu;
  return nullptr;
}

bool KorvaneVSTGUIEditor::focused(const CView* view) const {
  return frame && view && frame->getFocusView() == view;
}

void KorvaneVSTGUIEditor::setValue(int32_t controlTag, float normalized) {
  for (CControl* control : controls) {
    if (control->getTag() != controlTag || control->getValueNormalized() == normalized) continue;
    control->setValueNormalized(normalized);
    control->setDirty();
  }
}

void KorvaneVSTGUIEditor::setBoxText(int32_t controlTag, const std::string& text, bool evenIfFocused) {
  for (CControl* control : controls) {
    if (control->getTag() != controlTag) continue;
    auto* label = dynamic_cast<CTextLabel*>(control);
    if (label && (evenIfFocused || !focused(label)) && label->getText() != text) label->setText(text);
  }
}

void KorvaneVSTGUIEditor::showItem(const plugin::PageItem& item, double plain, double normalized, bool evenIfFocused) {
  if (showInMenu(item.tag, normalized)) return;
  if (plugin::normalised(item)) {
    setValue(kValueControl | item.tag, static_cast<float>(normalized));
    if (item.text != plugin::ItemText::kNone)
      setBoxText(kNumericBox | item.tag, plugin::itemText(item, plain), evenIfFocused);
  } else if (item.text != plugin::ItemText::kNone) {
    setBoxText(kValueControl | item.tag, plugin::itemText(item, plain), evenIfFocused);
  }
}

// ---- text forms ----------------------------------------------------------

std::string KorvaneVSTGUIEditor::valueText(double v) { return plugin::shortestText(v); }
std::string KorvaneVSTGUIEditor::decibelText(double gain) { return plugin::decibelText(gain); }
std::string KorvaneVSTGUIEditor::toneNumberText(int32_t tone) { return plugin::toneNumberText(tone); }

// ---- refresh -------------------------------------------------------------

namespace {
// The selected part's mode: which page is shown.
int32_t selectedMode(const EngineView& host) { return host.soundModel().parts[host.selection().part].mode; }
}  // namespace

void KorvaneVSTGUIEditor::refreshItems(EngineView& host, int32_t page) {
  for (const plugin::PageItem& item : plugin::pageItems()) {
    if ((item.tag & tags::kPageMask) != page || !item.read) continue;
    const double plain = item.read(host);
    showItem(item, plain, plugin::normalisedOf(item, plain), false);
  }
}

void KorvaneVSTGUIEditor::refreshAll(EngineView& host) {
  if (!frame) return;
  refreshSystem(host);
  refreshPart(host);
  refreshTone(host);
  refreshSamplerPreset(host);
  refreshSampleData(host);
}

void KorvaneVSTGUIEditor::refreshSystem(EngineView& host) { refreshItems(host, tags::kSystemPage); }

void KorvaneVSTGUIEditor::refreshPart(EngineView& host) {
  refreshItems(host, tags::kPartPage);
  showPageForMode(selectedMode(host));
}

void KorvaneVSTGUIEditor::showPageForMode(int32_t mode) {
  CViewContainer* shown = nullptr;
  CViewContainer* hidden = nullptr;
  if (mode >= synth::kModeMute && mode <= synth::kModePercussion) {
    shown = tonePageView;
    hidden = samplerPageView;
  } else if (mode == synth::kModeSampler) {
    shown = samplerPageView;
    hidden = tonePageView;
  }
  if (!shown || !hidden) return;
  if (hidden->isVisible()) hidden->setVisible(false);
  if (!shown->isVisible()) shown->setVisible(true);
}

void KorvaneVSTGUIEditor::refreshTone(EngineView& host) {
  if (selectedMode(host) == synth::kModeSampler) return;
  setBoxText(kValueControl | tags::kToneName, nameOf(host.selectedPresetName(true)));
  refreshItems(host, tags::kTonePage);
}

void KorvaneVSTGUIEditor::refreshSamplerPreset(EngineView& host) {
  if (selectedMode(host) <= synth::kModePercussion) return;
  setBoxText(kValueControl | tags::kSamplerName, nameOf(host.selectedPresetName(false)));
  refreshItems(host, tags::kSamplerPage);
}

void KorvaneVSTGUIEditor::refreshSampleData(EngineView& host) {
  if (selectedMode(host) <= synth::kModePercussion) return;
  const ovri::korvane::SampleParameters& D = host.soundModel().slots[host.selection().sample];
  if (framesLabel) framesLabel->setText(std::to_string(D.length));
  if (channelsLabel) channelsLabel->setText(std::to_string(D.channels));
  if (loopLabel) loopLabel->setText(D.loopLength > 0 ? "true" : "false");
  // The loop points are the loop in force, or those entered towards one.
  refreshItems(host, tags::kSamplePage);
}

// ---- echoes --------------------------------------------------------------

// An echo moves the controls of its tag by the value it carries; whatever
// needs the model follows at the next tick (the processor holds the host's
// lock while it answers). Echoes rewrite a box being typed in, but for the
// two system boxes.
void KorvaneVSTGUIEditor::updateByTag(int32_t tag, double x) {
  if (!frame || !engineHost()) return;
  const plugin::PageItem* item = plugin::findPageItem(tag);
  if (!item || item->echo == plugin::EchoRounding::kNone) return;
  const int32_t page = tag & tags::kPageMask;
  showItem(*item, plugin::echoedPlain(*item, x), x, page != tags::kSystemPage);
  if (tag == tags::kPartMode) showPageForMode(static_cast<int32_t>(x * 3.0 + 0.5));
  if (item->midiNumber != 0 && controller) {
    const auto* part = dynamic_cast<COptionMenu*>(findControl(kValueControl | tags::kSelectPart));
    const uint32_t p = part ? static_cast<uint32_t>(part->getCurrentIndex()) : 0;
    controller->setParamNormalized(plugin::midiParamId(p, item->midiNumber), x);
  }
  if (item->scale == plugin::ItemScale::kFrames && typedPoint.tag == tag && typedPoint.value != static_cast<long>(x))
    showStatus(captionOf(tag) + ": " + std::to_string(typedPoint.value) + " was refused, " +
               std::to_string(static_cast<int32_t>(x)) + " stays");
}

}  // namespace Steinberg::Vst

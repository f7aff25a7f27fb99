// The pop-up menus: opening them, acting on a chosen entry, and the values
// they show (check marks and the sub-menus that hold a value).
#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EditorProtocol.h"
#include "plugin/PageItems.h"

namespace Steinberg::Vst {

using namespace VSTGUI;
namespace tags = ovri::korvane::protocol::tags;
namespace files = ovri::korvane::protocol::fileactions;
namespace plugin = ovri::korvane::plugin;

namespace {

// Value tags a pop-up shows: as the check mark of one entry, or (entry
// -1) as the menu's value.
struct MenuShown {
  int32_t tag;
  int32_t menu;  // MenuIndex
  int32_t entry;
};

}  // namespace

bool KorvaneVSTGUIEditor::showInMenu(int32_t valueTag, double normalized) {
  static constexpr MenuShown kShown[] = {
      {tags::kReceiveSysEx, kSystemMenu, 2}, {tags::kNrpnEnable, kSystemMenu, 3},
      {tags::kSustainPedal, kSystemMenu, 4}, {tags::kPolyphony, kPolyphonyMenu, -1},
      {tags::kPartOutput, kOutputMenu, -1}};
  for (const MenuShown& shown : kShown) {
    if (shown.tag != valueTag) continue;
    if (COptionMenu* menu = menus[shown.menu]) {
      if (shown.entry < 0) menu->setValueNormalized(static_cast<float>(normalized));
      else menu->checkEntry(shown.entry, normalized > 0.5);
    }
    return true;
  }
  return false;
}

// Each page's pop-up and where it opens, frame coordinates.
const KorvaneVSTGUIEditor::PageMenu* KorvaneVSTGUIEditor::pageMenu(int32_t page) {
  static const PageMenu kPageMenus[] = {{tags::kSystemPage, kSystemMenu, CPoint(8, 72)},
                                        {tags::kPartPage, kPartMenu, CPoint(8, 120)},
                                        {tags::kTonePage, kToneMenu, CPoint(8, 216)},
                                        {tags::kSamplerPage, kSamplerMenu, CPoint(8, 216)},
                                        {tags::kSamplePage, kSampleMenu, CPoint(8, 360)}};
  for (const PageMenu& menu : kPageMenus)
    if (menu.page == page) return &menu;
  return nullptr;
}

void KorvaneVSTGUIEditor::popup(MenuIndex menu, CPoint anchor) {
  if (menus[menu] && frame) menus[menu]->popup(frame, anchor);
}

namespace {

// The entries that open a file dialog, by their tag, and its action.
struct FileEntry {
  int32_t entry;
  int32_t fileTag;
  bool import;
};
constexpr FileEntry kFileEntries[] = {
    {tags::kTonePage | 0x82, files::kImportTones, true},
    {tags::kTonePage | 0x83, files::kExportTones, false},
    {tags::kTonePage | 0x84, files::kExportToneSysEx, false},
    {tags::kSamplerPage | 0x82, files::kImportSamplerPresets, true},
    {tags::kSamplerPage | 0x83, files::kExportSamplerPresets, false},
    {tags::kSamplerPage | 0x84, files::kExportSamplerSysEx, false},
    {tags::kSamplePage | 0x82, files::kImportWavPcm, true},
    {tags::kSamplePage | 0x83, files::kImportWavDpcm, true},
    {tags::kSamplePage | 0x84, files::kImportWavAdpcm, true},
    {tags::kSamplePage | 0x85, files::kImportSampleParameters, true},
    {tags::kSamplePage | 0x86, files::kExportSampleParameters, false},
};

}  // namespace

// A chosen entry: a sub-menu sends its value, a file entry opens its
// dialog, any other entry whose tag is a value tag sends it (the resets
// and the switches the processor flips).
void KorvaneVSTGUIEditor::onMenuChoice(int32_t page) {
  const PageMenu* pageEntry = pageMenu(page);
  COptionMenu* root = pageEntry ? menus[pageEntry->menu] : nullptr;
  if (!root) return;
  int32_t index = -1;
  COptionMenu* chosenMenu = root->getLastItemMenu(index);
  CMenuItem* entry = chosenMenu ? chosenMenu->getEntry(index) : nullptr;
  if (!entry) return;
  const int32_t entryTag = entry->getTag() & 0xFFFF;

  const FileEntry* file = nullptr;
  for (const FileEntry& f : kFileEntries)
    if (f.entry == entryTag) file = &f;
  if (chosenMenu != root) {
    sendValueChange(chosenMenu->getTag() & 0xFFFF, chosenMenu->getValueNormalized());
  } else if (file) {
    if (file->import) openImportDialog(file->fileTag);
    else openExportDialog(file->fileTag);
  } else if (const plugin::PageItem* item = plugin::findPageItem(entryTag)) {
    // The processor's own switch takes the state the menu now shows (the
    // menu has toggled the check); the engine's switches flip.
    const bool ownSwitch = item->scale == plugin::ItemScale::kToggle && !item->read;
    sendValueChange(entryTag, ownSwitch && entry->isChecked() ? 1.f : 0.f);
    if (entryTag == tags::kResetAllParts) root->checkEntry(0, false);
  }
  if (page == tags::kTonePage) sendValueChange(tags::kTonePage | 0x80, root->getValueNormalized());
}

}  // namespace Steinberg::Vst

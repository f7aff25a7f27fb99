// The pop-up menus: opening them, acting on a chosen entry, and the values
// they show (check marks and the sub-menus that hold a value).
#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EditorProtocol.h"

namespace Steinberg::Vst {

using namespace VSTGUI;
namespace tags = ovri::korvane::protocol::tags;
namespace files = ovri::korvane::protocol::fileactions;

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

void KorvaneVSTGUIEditor::popup(MenuIndex menu, CPoint anchor) {
  if (menus[menu] && frame) menus[menu]->popup(frame, anchor);
}

void KorvaneVSTGUIEditor::onMenuChoice(int32_t page) {
  MenuIndex which = kMenuCount;
  switch (page) {
    case tags::kSystemPage: which = kSystemMenu; break;
    case tags::kPartPage: which = kPartMenu; break;
    case tags::kTonePage: which = kToneMenu; break;
    case tags::kSamplerPage: which = kSamplerMenu; break;
    case tags::kSamplePage: which = kSampleMenu; break;
    default: return;
  }
  COptionMenu* root = menus[which];
  if (!root) return;
  int32_t index = -1;
  COptionMenu* chosenMenu = root->getLastItemMenu(index);
  CMenuItem* entry = chosenMenu ? chosenMenu->getEntry(index) : nullptr;
  if (!entry) return;
  const int32_t entryItem = entry->getTag() & tags::kItemMask;

  switch (which) {
    case kSystemMenu:
      if (chosenMenu == menus[kPolyphonyMenu]) {
        sendValueChange(tags::kPolyphony, chosenMenu->getValueNormalized());
      } else if (entryItem == 0x81) {
        sendValueChange(tags::kResetAllParts, 0.f);
        root->checkEntry(0, false);
      } else if (entryItem == 0x83 || entryItem == 0x84) {
        sendValueChange(entryItem, 0.f);
      } else if (entryItem == (tags::kSustainPedal & tags::kItemMask)) {
        sendValueChange(tags::kSustainPedal, entry->isChecked() ? 1.f : 0.f);  // the menu has toggled the check
      }
      break;
    case kPartMenu:
      if (chosenMenu == menus[kOutputMenu])
        sendValueChange(tags::kPartOutput, chosenMenu->getValueNormalized());
      else if (entryItem >= 0x81 && entryItem <= 0x83)
        sendValueChange(tags::kPartPage | entryItem, 0.f);
      break;
    case kToneMenu:
      switch (entryItem) {
        case 0x81: sendValueChange(tags::kTonePage | 0x81, 0.f); break;
        case 0x82: openImportDialog(files::kImportTones); break;
        case 0x83: openExportDialog(files::kExportTones); break;
        case 0x84: openExportDialog(files::kExportToneSysEx); break;
        default: break;
      }
      sendValueChange(tags::kTonePage | 0x80, root->getValueNormalized());
      break;
    case kSamplerMenu:
      switch (entryItem) {
        case 0x81: sendValueChange(tags::kSamplerPage | 0x81, 0.f); break;
        case 0x82: openImportDialog(files::kImportSamplerPresets); break;
        case 0x83: openExportDialog(files::kExportSamplerPresets); break;
        case 0x84: openExportDialog(files::kExportSamplerSysEx); break;
        default: break;
      }
      break;
    case kSampleMenu:
      switch (entryItem) {
        case 0x81: sendValueChange(tags::kClearSample, 0.f); break;
        case 0x82: openImportDialog(files::kImportWavPcm); break;
        case 0x83: openImportDialog(files::kImportWavDpcm); break;
        case 0x84: openImportDialog(files::kImportWavAdpcm); break;
        case 0x85: openImportDialog(files::kImportSampleParameters); break;
        case 0x86: openExportDialog(files::kExportSampleParameters); break;
        default: break;
      }
      break;
    default:
      break;
  }
}

}  // namespace Steinberg::Vst

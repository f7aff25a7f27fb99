#pragma once

#include "platform/gui/CControls.h"

#include <functional>
#include <string>
#include <vector>

namespace VSTGUI {

class COptionMenu;

// One entry of a menu: a title, a tag, flags and perhaps a sub-menu. The
// title "-" makes a separator.
class CMenuItem : public CBaseObject {
public:
  enum Flags : int32_t { kNoFlags = 0, kDisabled = 1 << 0, kChecked = 1 << 3, kSeparator = 1 << 4 };
  explicit CMenuItem(UTF8StringPtr title, int32_t flags = kNoFlags, COptionMenu* submenu = nullptr, int32_t tag = -1);
  ~CMenuItem() override;

  const std::string& getTitle() const { return title; }
  void setTitle(UTF8StringPtr t) { title = t ? t : ""; }
  int32_t getTag() const { return tag; }
  void setTag(int32_t t) { tag = t; }
  bool isEnabled() const { return !(flags & kDisabled); }
  void setEnabled(bool state) { flags = state ? (flags & ~kDisabled) : (flags | kDisabled); }
  bool isChecked() const { return (flags & kChecked) != 0; }
  void setChecked(bool state = true) { flags = state ? (flags | kChecked) : (flags & ~kChecked); }
  bool isSeparator() const { return (flags & kSeparator) != 0; }
  COptionMenu* getSubmenu() const { return submenu; }
  void setSubmenu(COptionMenu* menu);

private:
  std::string title;
  int32_t flags;
  SharedPointer<COptionMenu> submenu;
  int32_t tag;
};

// A list of entries shown in a pop-up inside the frame. Placed in a
// container it draws its current entry and pops up below itself when
// clicked; popup() opens it anywhere in a frame. The value is the index of
// the current entry (0 to entries - 1). When an entry is chosen, the menu
// that holds it gets that index as its value, and the menu that was popped
// up tells its listener (getLastItemMenu says which menu and entry).
class COptionMenu : public CTextLabel {
public:
  enum Style : int32_t {
    kPopupStyle = 1 << 8,          // 0x100
    kCheckStyle = 1 << 9,          // 0x200: the current entry shows a check mark
    kMultipleCheckStyle = 1 << 10, // 0x400: choosing an entry toggles its check mark
  };
  using Callback = std::function<void(COptionMenu* menu)>;

  COptionMenu();
  COptionMenu(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background = nullptr,
              CBitmap* backgroundWhenClicked = nullptr, int32_t style = 0);
  ~COptionMenu() override;

  CMenuItem* addEntry(CMenuItem* item, int32_t index = -1);
  CMenuItem* addEntry(UTF8StringPtr title, int32_t index = -1, int32_t itemFlags = CMenuItem::kNoFlags);
  CMenuItem* addEntry(COptionMenu* submenu, UTF8StringPtr title);
  CMenuItem* addSeparator(int32_t index = -1);
  bool removeEntry(int32_t index);
  void removeAllEntry();
  CMenuItem* getEntry(int32_t index) const;
  CMenuItem* getCurrent() const { return getEntry(getCurrentIndex()); }
  int32_t getNbEntries() const { return static_cast<int32_t>(items.size()); }
  int32_t getCurrentIndex() const;
  bool setCurrent(int32_t index, bool countSeparator = true);
  bool checkEntry(int32_t index, bool state);
  bool checkEntryAlone(int32_t index);
  bool isCheckEntry(int32_t index) const;
  // The menu (this one or a sub-menu) of the last choice and the entry's
  // index in it; null before the first choice.
  COptionMenu* getLastItemMenu(int32_t& idxInMenu) const;
  void setStyle(int32_t s) { style = s; }
  int32_t getStyle() const { return style; }

  void setValue(float v) override;
  // Opens the menu in frame with its top left corner at where (frame
  // coordinates). With a callback, the callback hears of the choice instead
  // of the listener. False when the frame is not open or the menu empty.
  bool popup(CFrame* frame, const CPoint& where, const Callback& callback = {});
  // Called by the open pop-up when an entry of menu (this or a sub-menu) is
  // chosen.
  void choose(COptionMenu* menu, int32_t index);

  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
  CView* newCopy() const override;

private:
  void updateRange();

  std::vector<SharedPointer<CMenuItem>> items;
  COptionMenu* lastMenu = nullptr;
  int32_t lastIndex = -1;
  Callback popupCallback;
};

}  // namespace VSTGUI

#include "platform/gui/COptionMenu.h"

#include "platform/gui/CFrame.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace VSTGUI {

// ---- CMenuItem

CMenuItem::CMenuItem(UTF8StringPtr t, int32_t f, COptionMenu* sub, int32_t tg)
    : title(t ? t : ""), flags(f), submenu(sub), tag(tg) {
  if (title == "-") flags |= kSeparator;
}

CMenuItem::~CMenuItem() = default;

void CMenuItem::setSubmenu(COptionMenu* menu) { submenu = menu; }

namespace {

constexpr CCoord kEntryHeight = 18;
constexpr CCoord kSeparatorHeight = 7;
constexpr CCoord kTextInset = 20;    // room for the check mark on the left
constexpr CCoord kArrowRoom = 18;    // room for the sub-menu arrow on the right
constexpr CColor kMenuBack{38, 36, 46, 255};
constexpr CColor kMenuFrame{110, 100, 140, 255};
constexpr CColor kMenuText{225, 222, 235, 255};
constexpr CColor kMenuDisabled{110, 108, 118, 255};
constexpr CColor kMenuHighlight{84, 72, 128, 255};

// An open menu drawn inside the frame: the popped-up menu and the chain of
// sub-menus opened from it, each a column of entries beside its parent
// entry, kept inside the frame. Modal: it takes all input until a choice
// is made, Escape is pressed or the pointer goes down outside every column.
class MenuPopupView : public CView {
public:
  MenuPopupView(CFrame* frame, COptionMenu* root, const CPoint& where)
      : CView(CRect(0, 0, frame->getWidth(), frame->getHeight())), frame(frame), root(root) {
    // A drop-down list is at least as wide as the control it drops from.
    openLevel(root, where, CRect(), root->isAttached() ? root->getWidth() : 0);
  }

  void draw(CDrawContext* context) override {
    for (const Level& level : levels) drawLevel(context, level);
  }

  CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override {
    size_t depth;
    int32_t index;
    if (!hit(where, depth, index)) {
      close();
      return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (!buttons.isLeftButton() || index < 0) return kMouseEventHandled;
    activate(depth, index, true);
    return kMouseEventHandled;
  }

  CMouseEventResult onMouseMoved(CPoint& where, const CButtonState&) override {
    size_t depth;
    int32_t index;
    if (hit(where, depth, index) && index >= 0) activate(depth, index, false);
    return kMouseEventHandled;
  }

  CMouseEventResult onMouseUp(CPoint&, const CButtonState&) override { return kMouseEventHandled; }

  bool onWheel(const CPoint&, const CMouseWheelAxis&, const float&, const CButtonState&) override { return true; }

  int32_t onKeyDown(VstKeyCode& key) override {
    Level& level = levels.back();
    switch (key.virt) {
      case VKEY_ESCAPE:
        close();
        return 1;
      case VKEY_UP:
      case VKEY_DOWN:
        moveHighlight(level, key.virt == VKEY_DOWN ? 1 : -1);
        return 1;
      case VKEY_LEFT:
        if (levels.size() > 1) {
          levels.pop_back();
          invalid();
        }
        return 1;
      case VKEY_RIGHT:
      case VKEY_RETURN:
      case VKEY_ENTER:
      case VKEY_SPACE:
        if (level.highlight >= 0) {
          CMenuItem* item = level.menu->getEntry(level.highlight);
          if (item && item->getSubmenu()) {
            if (levels.back().menu != item->getSubmenu()) openSubmenu(levels.size() - 1, level.highlight);
            moveHighlight(levels.back(), 1);
          } else if (key.virt != VKEY_RIGHT) {
            activate(levels.size() - 1, level.highlight, true);
          }
        }
        return 1;
      default:
        return 1;  // everything else is swallowed while the menu is open
    }
  }

  bool removed(CView* parent) override {
    if (frame->getPlatformFrame()) frame->getPlatformFrame()->releasePointer();
    return CView::removed(parent);
  }

private:
  struct Level {
    COptionMenu* menu;
    CRect rect;
    int32_t highlight = -1;
    std::vector<CRect> entries;  // per entry, frame coordinates
  };

  CCoord textWidth(const std::string& text) {
    if (!measureContext) {
      scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
      measureContext = std::make_unique<CDrawContext>(scratch, 1.0, frame->getFontCache());
    }
    measureContext->setFont(&root->getFont());
    return measureContext->getStringWidth(text);
  }

  void openLevel(COptionMenu* menu, CPoint where, const CRect& beside, CCoord minWidth = 0) {
    CCoord width = std::max<CCoord>(60, minWidth - 2), height = 2;
    for (int32_t i = 0; i < menu->getNbEntries(); ++i) {
      CMenuItem* item = menu->getEntry(i);
      height += item->isSeparator() ? kSeparatorHeight : kEntryHeight;
      if (!item->isSeparator()) width = std::max(width, std::ceil(textWidth(item->getTitle())) + kTextInset + kArrowRoom);
    }
    width += 2;
    const CCoord fw = frame->getWidth(), fh = frame->getHeight();
    if (!beside.isEmpty()) {
      // Beside the parent column: right of it, else left of it.
      where.x = beside.right - 1;
      if (where.x + width > fw) where.x = beside.left + 1 - width;
    }
    where.x = std::clamp(where.x, 0.0, std::max(0.0, fw - width));
    where.y = std::clamp(where.y, 0.0, std::max(0.0, fh - height));
    Level level{menu, CRect(where.x, where.y, std::min(fw, where.x + width), std::min(fh, where.y + height)), -1, {}};
    CCoord y = where.y + 1;
    for (int32_t i = 0; i < menu->getNbEntries(); ++i) {
      const CCoord h = menu->getEntry(i)->isSeparator() ? kSeparatorHeight : kEntryHeight;
      level.entries.emplace_back(level.rect.left + 1, y, level.rect.right - 1, y + h);
      y += h;
    }
    levels.push_back(std::move(level));
    invalid();
  }

  void openSubmenu(size_t depth, int32_t index) {
    levels.resize(depth + 1);
    Level& parent = levels[depth];
    CMenuItem* item = parent.menu->getEntry(index);
    const CRect entry = parent.entries[static_cast<size_t>(index)];
    openLevel(item->getSubmenu(), CPoint(0, entry.top - 1), parent.rect);
  }

  static bool selectable(const CMenuItem* item) { return item && !item->isSeparator() && item->isEnabled(); }

  void moveHighlight(Level& level, int32_t step) {
    const int32_t n = level.menu->getNbEntries();
    int32_t i = level.highlight;
    for (int32_t tries = 0; tries < n; ++tries) {
      i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
      if (selectable(level.menu->getEntry(i))) {
        level.highlight = i;
        invalid();
        return;
      }
    }
  }

  bool hit(const CPoint& where, size_t& depth, int32_t& index) const {
    for (size_t d = levels.size(); d-- > 0;) {
      if (!levels[d].rect.pointInside(where)) continue;
      depth = d;
      index = -1;
      for (size_t i = 0; i < levels[d].entries.size(); ++i)
        if (levels[d].entries[i].pointInside(where)) index = static_cast<int32_t>(i);
      return true;
    }
    return false;
  }

  // The pointer is on (or a key chose) entry index of the column at depth:
  // highlight it, open its sub-menu, or (choose) take it.
  void activate(size_t depth, int32_t index, bool choose) {
    Level& level = levels[depth];
    CMenuItem* item = level.menu->getEntry(index);
    const bool canUse = selectable(item);
    if (level.highlight != (canUse ? index : -1)) {
      level.highlight = canUse ? index : -1;
      invalid();
    }
    if (!canUse) {
      if (levels.size() > depth + 1) {
        levels.resize(depth + 1);
        invalid();
      }
      return;
    }
    if (item->getSubmenu()) {
      if (levels.size() <= depth + 1 || levels[depth + 1].menu != item->getSubmenu()) openSubmenu(depth, index);
      return;
    }
    if (levels.size() > depth + 1) {
      levels.resize(depth + 1);
      invalid();
    }
    if (!choose) return;
    SharedPointer<COptionMenu> keep(root);
    COptionMenu* menu = level.menu;
    close();  // deletes this view
    keep->choose(menu, index);
  }

  void close() { frame->setModalView(nullptr); }

  void drawLevel(CDrawContext* context, const Level& level) {
    context->setFillColor(kMenuBack);
    context->setFrameColor(kMenuFrame);
    context->setLineWidth(1);
    context->drawRect(level.rect, kDrawFilledAndStroked);
    context->setFont(&root->getFont());
    const bool checkCurrent = (level.menu->getStyle() & COptionMenu::kCheckStyle) != 0;
    for (int32_t i = 0; i < level.menu->getNbEntries(); ++i) {
      const CMenuItem* item = level.menu->getEntry(i);
      const CRect r = level.entries[static_cast<size_t>(i)];
      if (item->isSeparator()) {
        const CCoord y = std::floor((r.top + r.bottom) / 2) + 0.5;
        context->drawLine(CPoint(r.left + 4, y), CPoint(r.right - 4, y));
        continue;
      }
      if (i == level.highlight) {
        context->setFillColor(kMenuHighlight);
        context->drawRect(r, kDrawFilled);
      }
      const CColor color = item->isEnabled() ? kMenuText : kMenuDisabled;
      if (item->isChecked() || (checkCurrent && i == level.menu->getCurrentIndex())) {
        // A tick: two strokes.
        context->setFrameColor(color);
        context->setLineWidth(2);
        const CCoord cy = (r.top + r.bottom) / 2;
        context->drawLine(CPoint(r.left + 5, cy), CPoint(r.left + 8, cy + 3));
        context->drawLine(CPoint(r.left + 8, cy + 3), CPoint(r.left + 14, cy - 4));
        context->setLineWidth(1);
        context->setFrameColor(kMenuFrame);
      }
      context->setFontColor(color);
      CRect text = r;
      text.left += kTextInset;
      text.right -= kArrowRoom;
      context->drawString(item->getTitle(), text, kLeftText);
      if (item->getSubmenu()) {
        const CCoord cy = (r.top + r.bottom) / 2;
        context->setFillColor(color);
        context->drawPolygon({CPoint(r.right - 12, cy - 4), CPoint(r.right - 7, cy), CPoint(r.right - 12, cy + 4)});
      }
    }
  }

  CFrame* frame;
  COptionMenu* root;
  std::vector<Level> levels;
  cairo_surface_t* scratch = nullptr;
  std::unique_ptr<CDrawContext> measureContext;

public:
  ~MenuPopupView() override {
    measureContext.reset();
    if (scratch) cairo_surface_destroy(scratch);
  }
};

}  // namespace

// ---- COptionMenu

COptionMenu::COptionMenu() : COptionMenu(CRect(0, 0, 0, 0), nullptr, -1) {}

COptionMenu::COptionMenu(const CRect& r, IControlListener* l, int32_t t, CBitmap* bg, CBitmap*, int32_t s)
    : CTextLabel(r, l, t, nullptr, bg, 0) {
  style = s;
  setMouseEnabled(true);
  vmax = 0;
}

COptionMenu::~COptionMenu() = default;

void COptionMenu::updateRange() {
  vmax = static_cast<float>(std::max(0, getNbEntries() - 1));
  bounceValue();
  invalid();
}

CMenuItem* COptionMenu::addEntry(CMenuItem* item, int32_t index) {
  if (index < 0 || index > getNbEntries())
    items.emplace_back(item);
  else
    items.insert(items.begin() + index, SharedPointer<CMenuItem>(item));
  item->forget();  // the list holds it now
  updateRange();
  return item;
}

CMenuItem* COptionMenu::addEntry(UTF8StringPtr title, int32_t index, int32_t itemFlags) {
  return addEntry(new CMenuItem(title, itemFlags), index);
}

CMenuItem* COptionMenu::addEntry(COptionMenu* submenu, UTF8StringPtr title) {
  return addEntry(new CMenuItem(title, CMenuItem::kNoFlags, submenu));
}

CMenuItem* COptionMenu::addSeparator(int32_t index) {
  return addEntry(new CMenuItem("-", CMenuItem::kSeparator), index);
}

bool COptionMenu::removeEntry(int32_t index) {
  if (index < 0 || index >= getNbEntries()) return false;
  items.erase(items.begin() + index);
  updateRange();
  return true;
}

void COptionMenu::removeAllEntry() {
  items.clear();
  updateRange();
}

CMenuItem* COptionMenu::getEntry(int32_t index) const {
  return index >= 0 && index < getNbEntries() ? items[static_cast<size_t>(index)].get() : nullptr;
}

int32_t COptionMenu::getCurrentIndex() const { return static_cast<int32_t>(value + 0.5f); }

bool COptionMenu::setCurrent(int32_t index, bool) {
  if (index < 0 || index >= getNbEntries()) return false;
  setValue(static_cast<float>(index));
  return true;
}

bool COptionMenu::checkEntry(int32_t index, bool state) {
  CMenuItem* item = getEntry(index);
  if (!item || item->isSeparator()) return false;
  item->setChecked(state);
  return true;
}

bool COptionMenu::checkEntryAlone(int32_t index) {
  for (int32_t i = 0; i < getNbEntries(); ++i) getEntry(i)->setChecked(i == index);
  return true;
}

bool COptionMenu::isCheckEntry(int32_t index) const {
  const CMenuItem* item = getEntry(index);
  return item && item->isChecked();
}

COptionMenu* COptionMenu::getLastItemMenu(int32_t& idxInMenu) const {
  idxInMenu = lastMenu ? lastIndex : -1;
  return lastMenu;
}

void COptionMenu::setValue(float v) {
  value = std::round(v);
  bounceValue();
  const CMenuItem* current = getEntry(getCurrentIndex());
  setText(current ? current->getTitle() : "");
}

bool COptionMenu::popup(CFrame* frame, const CPoint& where, const Callback& callback) {
  if (!frame || !frame->isOpen() || items.empty() || frame->getModalView()) return false;
  popupCallback = callback;
  frame->setFocusView(nullptr);
  auto* view = new MenuPopupView(frame, this, where);
  frame->setModalView(view);
  if (frame->getPlatformFrame()) frame->getPlatformFrame()->grabPointer();
  return true;
}

void COptionMenu::choose(COptionMenu* menu, int32_t index) {
  CMenuItem* item = menu->getEntry(index);
  if (!item) return;
  if (menu->getStyle() & kMultipleCheckStyle) item->setChecked(!item->isChecked());
  menu->setValue(static_cast<float>(index));
  lastMenu = menu;
  lastIndex = index;
  Callback callback = std::move(popupCallback);
  popupCallback = {};
  beginEdit();
  if (callback)
    callback(this);
  else
    valueChanged();
  endEdit();
}

void COptionMenu::draw(CDrawContext* context) {
  CTextLabel::draw(context);
  // A small arrow at the right end marks a drop-down list.
  const CCoord cy = std::round((size.top + size.bottom) / 2);
  context->setFillColor(fontColor);
  context->drawPolygon({CPoint(size.right - 11, cy - 2), CPoint(size.right - 4, cy - 2), CPoint(size.right - 7.5, cy + 2)});
}

CMouseEventResult COptionMenu::onMouseDown(CPoint&, const CButtonState& buttons) {
  if (!buttons.isLeftButton() || !parentFrame) return kMouseEventNotHandled;
  popup(parentFrame, localToFrame(CPoint(size.left, size.bottom)));
  return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CView* COptionMenu::newCopy() const {
  auto* copy = new COptionMenu(size, listener, tag, background, nullptr, style);
  for (const auto& item : items) {
    auto* entry = new CMenuItem(item->getTitle().c_str(), 0, item->getSubmenu(), item->getTag());
    entry->setEnabled(item->isEnabled());
    entry->setChecked(item->isChecked());
    copy->addEntry(entry);
  }
  copy->setValue(value);
  return copy;
}

}  // namespace VSTGUI

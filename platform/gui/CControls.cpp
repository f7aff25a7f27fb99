#include "platform/gui/CControls.h"

#include "platform/gui/CFrame.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace VSTGUI {

// ---- CControl

CControl::CControl(const CRect& r, IControlListener* l, int32_t t, CBitmap* bg) : CView(r), listener(l), tag(t) {
  setBackground(bg);
}

void CControl::setValue(float v) { value = v; }

void CControl::setValueNormalized(float normalized) {
  setValue(vmin + std::clamp(normalized, 0.f, 1.f) * getRange());
}

float CControl::getValueNormalized() const {
  const float range = getRange();
  return range == 0.f ? 0.f : (value - vmin) / range;
}

void CControl::bounceValue() { value = std::clamp(value, std::min(vmin, vmax), std::max(vmin, vmax)); }

void CControl::valueChanged() {
  if (listener) listener->valueChanged(this);
}

void CControl::beginEdit() {
  if (editing++ == 0) {
    if (listener) listener->controlBeginEdit(this);
    if (parentFrame && parentFrame->getEditor()) parentFrame->getEditor()->beginEdit(tag);
  }
}

void CControl::endEdit() {
  if (editing > 0 && --editing == 0) {
    if (parentFrame && parentFrame->getEditor()) parentFrame->getEditor()->endEdit(tag);
    if (listener) listener->controlEndEdit(this);
  }
}

void CControl::setDirty(bool state) { CView::setDirty(state); }

// ---- CKickButton

CKickButton::CKickButton(const CRect& r, IControlListener* l, int32_t t, CCoord height, CBitmap* bg,
                         const CPoint& o)
    : CControl(r, l, t, bg), heightOfOneImage(height), offset(o) {}

CKickButton::CKickButton(const CRect& r, IControlListener* l, int32_t t, CBitmap* bg, const CPoint& o)
    : CKickButton(r, l, t, r.getHeight(), bg, o) {}

void CKickButton::draw(CDrawContext* context) {
  if (background) {
    CPoint where = offset;
    if (value == vmax) where.y += heightOfOneImage;
    background->draw(context, size, where);
  }
  dirty = false;
}

CMouseEventResult CKickButton::onMouseDown(CPoint&, const CButtonState& buttons) {
  if (!buttons.isLeftButton()) return kMouseEventNotHandled;
  beforeValue = value;
  beginEdit();
  value = vmax;
  invalid();
  valueChanged();
  return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const CButtonState& buttons) {
  if (!isEditing() || !buttons.isLeftButton()) return kMouseEventHandled;
  // Shows the pressed state only while the pointer is on the button.
  const float shown = size.pointInside(where) ? vmax : vmin;
  if (shown != value) {
    value = shown;
    invalid();
  }
  return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint&, const CButtonState&) {
  if (!isEditing()) return kMouseEventHandled;
  value = vmin;
  invalid();
  valueChanged();
  endEdit();
  return kMouseEventHandled;
}

// ---- CSlider

CSlider::CSlider(const CRect& r, IControlListener* l, int32_t t, int32_t minP, int32_t maxP, CBitmap* h, CBitmap* bg,
                 const CPoint& o, int32_t s)
    : CControl(r, l, t, bg), handle(h), offset(o), minPos(minP - r.left), maxPos(maxP - r.left), style(s) {
  if (style & kVertical) {
    minPos = minP - r.top;
    maxPos = maxP - r.top;
  }
  setWheelInc(0.1f);
}

void CSlider::draw(CDrawContext* context) {
  if (background) background->draw(context, size, offset);
  if (handle) {
    float v = getValueNormalized();
    const bool inverse = (style & kHorizontal) ? (style & kRight) != 0 : (style & kTop) != 0;
    if (inverse) v = 1.f - v;
    CRect h;
    if (style & kVertical) {
      const CCoord top = std::trunc(size.top + minPos + v * (maxPos - minPos));
      h = CRect(size.left + offsetHandle.x, top, size.left + offsetHandle.x + handle->getWidth(),
                top + handle->getHeight());
    } else {
      const CCoord left = std::trunc(size.left + minPos + v * (maxPos - minPos));
      h = CRect(left, size.top + offsetHandle.y, left + handle->getWidth(),
                size.top + offsetHandle.y + handle->getHeight());
    }
    handle->draw(context, h);
  }
  dirty = false;
}

float CSlider::valueAt(const CPoint& where) const {
  const CCoord half = handle ? ((style & kVertical) ? handle->getHeight() : handle->getWidth()) / 2 : 0;
  const CCoord pos = (style & kVertical) ? where.y - size.top : where.x - size.left;
  const CCoord span = maxPos - minPos;
  float v = span > 0 ? static_cast<float>((pos - half - minPos) / span) : 0.f;
  v = std::clamp(v, 0.f, 1.f);
  const bool inverse = (style & kHorizontal) ? (style & kRight) != 0 : (style & kTop) != 0;
  return inverse ? 1.f - v : v;
}

CMouseEventResult CSlider::onMouseDown(CPoint& where, const CButtonState& buttons) {
  if (!buttons.isLeftButton()) return kMouseEventNotHandled;
  beginEdit();
  const float old = value;
  setValueNormalized(valueAt(where));
  if (value != old) {
    invalid();
    valueChanged();
  }
  return kMouseEventHandled;
}

CMouseEventResult CSlider::onMouseMoved(CPoint& where, const CButtonState& buttons) {
  if (!isEditing() || !buttons.isLeftButton()) return kMouseEventHandled;
  const float old = value;
  setValueNormalized(valueAt(where));
  if (value != old) {
    invalid();
    valueChanged();
  }
  return kMouseEventHandled;
}

CMouseEventResult CSlider::onMouseUp(CPoint&, const CButtonState&) {
  endEdit();
  return kMouseEventHandled;
}

bool CSlider::onWheel(const CPoint&, const CMouseWheelAxis& axis, const float& distance, const CButtonState&) {
  float delta;
  if (style & kHorizontal) {
    if (axis != kMouseWheelAxisX) return false;
    delta = -distance * wheelInc;
  } else {
    if (axis != kMouseWheelAxisY) return false;
    delta = distance * wheelInc;
  }
  const float old = value;
  beginEdit();
  setValueNormalized(getValueNormalized() + delta);
  if (value != old) {
    invalid();
    valueChanged();
  }
  endEdit();
  return true;
}

int32_t CSlider::onKeyDown(VstKeyCode&) { return -1; }

// ---- CMovieBitmap

CMovieBitmap::CMovieBitmap(const CRect& r, IControlListener* l, int32_t t, int32_t frames, CCoord height,
                           CBitmap* bg, const CPoint& o)
    : CControl(r, l, t, bg), subPixmaps(frames), heightOfOneImage(height), offset(o) {
  setMouseEnabled(false);
}

int32_t CMovieBitmap::currentFrame() const {
  if (subPixmaps <= 1) return 0;
  const int32_t frame = static_cast<int32_t>(getValueNormalized() * static_cast<float>(subPixmaps - 1) + 0.5f);
  return std::clamp(frame, 0, subPixmaps - 1);
}

void CMovieBitmap::draw(CDrawContext* context) {
  if (background) {
    CPoint where = offset;
    where.y += heightOfOneImage * currentFrame();
    background->draw(context, size, where);
  }
  dirty = false;
}

// ---- CTextLabel

CTextLabel::CTextLabel(const CRect& r, UTF8StringPtr t, CBitmap* bg, int32_t s)
    : CTextLabel(r, nullptr, -1, t, bg, s) {
  setMouseEnabled(false);
}

CTextLabel::CTextLabel(const CRect& r, IControlListener* l, int32_t tg, UTF8StringPtr t, CBitmap* bg, int32_t s)
    : CControl(r, l, tg, bg), text(t ? t : ""), style(s) {}

void CTextLabel::setText(const std::string& t) {
  if (t == text) return;
  text = t;
  invalid();
}

void CTextLabel::drawBack(CDrawContext* context) {
  if (style & kNoDrawStyle) return;
  if (background) {
    background->draw(context, size);
  } else if (!(style & kTransparent) && backColor.alpha > 0) {
    context->setFillColor(backColor);
    context->drawRect(size, kDrawFilled);
  }
  if (!(style & (kNoFrame | kTransparent)) && frameColor.alpha > 0) {
    context->setFrameColor(frameColor);
    context->setLineWidth(1);
    context->drawRect(size, kDrawStroked);
  }
}

CRect CTextLabel::textRect() const {
  CRect r = size;
  r.inset(2, 0);
  return r;
}

std::string CTextLabel::fittedText(CDrawContext* context, CFontDesc& fitted, CRect& area) const {
  area = textRect();
  fitted = font;
  context->setFont(&fitted);
  if (text.empty() || context->getStringWidth(text) <= area.getWidth()) return text;
  area = size;
  area.inset(1, 0);
  for (int step = 0; step < kMaxFontSteps && context->getStringWidth(text) > area.getWidth(); ++step) {
    fitted.setSize(fitted.getSize() - 1);
    context->setFont(&fitted);
  }
  // Still too wide: a decimal number is shown rounded to fewer decimals.
  const size_t point = text.find('.');
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (point == std::string::npos || end != text.c_str() + text.size()) return text;
  std::string shown = text;
  for (int decimals = static_cast<int>(text.size() - point - 1) - 1;
       decimals >= 0 && context->getStringWidth(shown) > area.getWidth(); --decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, number);
    shown = buffer;
  }
  return shown;
}

void CTextLabel::draw(CDrawContext* context) {
  drawBack(context);
  if (!(style & kNoDrawStyle)) {
    CRect r;
    CFontDesc fitted;
    const std::string shown = fittedText(context, fitted, r);
    context->setFont(&fitted);
    context->setFontColor(fontColor);
    context->drawString(shown, r, align);
  }
  dirty = false;
}

// ---- CTextEdit

namespace {

// Byte index of the code point before/after i in UTF-8 text.
size_t previousCodePoint(const std::string& s, size_t i) {
  if (i == 0) return 0;
  --i;
  while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  return i;
}

size_t nextCodePoint(const std::string& s, size_t i) {
  if (i >= s.size()) return s.size();
  ++i;
  while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  return i;
}

std::string encodeUtf8(int32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x110000) {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Measures text with the frame's fonts on a scratch surface.
CCoord measure(CFrame* frame, const CFontDesc& font, const std::string& text) {
  if (!frame || text.empty()) return 0;
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  CCoord width;
  {
    CDrawContext context(scratch, 1.0, frame->getFontCache());
    context.setFont(&font);
    width = context.getStringWidth(text);
  }
  cairo_surface_destroy(scratch);
  return width;
}

}  // namespace

CTextEdit::CTextEdit(const CRect& r, IControlListener* l, int32_t t, UTF8StringPtr txt, CBitmap* bg, int32_t s)
    : CTextLabel(r, l, t, txt, bg, s) {}

void CTextEdit::setText(const std::string& t) {
  CTextLabel::setText(t);
  if (editing) {
    editText = t;
    caret = anchor = editText.size();
  }
}

// A text wider than the box starts left of it by the scroll distance that
// keeps the caret inside (see scrollToCaret).
CCoord CTextEdit::textStartX(CDrawContext* context) const {
  const CRect r = textRect();
  const CCoord w = context ? context->getStringWidth(editText) : measure(parentFrame, font, editText);
  if (w > r.getWidth()) return r.left - scroll;
  if (align == kCenterText) return std::round(r.left + (r.getWidth() - w) / 2);
  if (align == kRightText) return std::round(r.right - w);
  return r.left;
}

// Scrolls the least distance that brings the caret into the box, and no
// further than the text's end allows.
void CTextEdit::scrollToCaret(CDrawContext* context) {
  const CRect r = textRect();
  const CCoord w = context->getStringWidth(editText);
  if (w <= r.getWidth()) {
    scroll = 0;
    return;
  }
  const CCoord caretX = context->getStringWidth(editText.substr(0, caret));
  if (caretX - scroll > r.getWidth() - 1) scroll = caretX - r.getWidth() + 1;
  if (caretX - scroll < 0) scroll = caretX;
  scroll = std::round(std::clamp(scroll, CCoord(0), w - r.getWidth() + 1));
}

size_t CTextEdit::indexAt(CCoord x) {
  const CCoord start = textStartX(nullptr);
  size_t best = 0;
  CCoord bestDistance = std::abs(x - start);
  for (size_t i = nextCodePoint(editText, 0); i <= editText.size() && i > 0; i = nextCodePoint(editText, i)) {
    const CCoord d = std::abs(x - (start + measure(parentFrame, font, editText.substr(0, i))));
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
    if (i == editText.size()) break;
  }
  return best;
}

void CTextEdit::draw(CDrawContext* context) {
  if (!editing) {
    CTextLabel::draw(context);
    return;
  }
  drawBack(context);
  context->setFont(&font);
  const CRect r = textRect();
  scrollToCaret(context);
  const CCoord x0 = textStartX(context);
  context->saveGlobalState();
  CRect visible = size;
  visible.inset(1, 0);
  context->clip(visible);
  const size_t from = std::min(caret, anchor);
  const size_t to = std::max(caret, anchor);
  const CCoord height = font.getSize() + 4;
  const CCoord top = std::round(r.top + (r.getHeight() - height) / 2);
  if (from != to) {
    const CCoord a = x0 + context->getStringWidth(editText.substr(0, from));
    const CCoord b = x0 + context->getStringWidth(editText.substr(0, to));
    context->setFillColor(CColor(fontColor.red, fontColor.green, fontColor.blue, 80));
    context->drawRect(CRect(a, top, b, top + height), kDrawFilled);
  }
  context->setFontColor(fontColor);
  CRect line = r;
  line.left = x0;
  line.right = std::max(r.right, x0 + context->getStringWidth(editText) + 1);
  line.bound(visible);
  CRect shifted = line;
  shifted.left = x0;  // drawString aligns left at x0 and clips to the box
  context->clip(line);
  context->drawString(editText, shifted, kLeftText);
  const CCoord cx = std::round(x0 + context->getStringWidth(editText.substr(0, caret))) + 0.5;
  context->setFrameColor(fontColor);
  context->setLineWidth(1);
  context->drawLine(CPoint(cx, top), CPoint(cx, top + height));
  context->restoreGlobalState();
  dirty = false;
}

CMouseEventResult CTextEdit::onMouseDown(CPoint& where, const CButtonState& buttons) {
  if (!buttons.isLeftButton()) return kMouseEventNotHandled;
  if (!editing) {
    if (parentFrame) parentFrame->setFocusView(this);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
  }
  caret = anchor = indexAt(where.x);
  if (buttons.isDoubleClick()) {
    anchor = 0;
    caret = editText.size();
  }
  selecting = true;
  invalid();
  return kMouseEventHandled;
}

CMouseEventResult CTextEdit::onMouseMoved(CPoint& where, const CButtonState& buttons) {
  if (selecting && buttons.isLeftButton()) {
    const size_t at = indexAt(where.x);
    if (at != caret) {
      caret = at;
      invalid();
    }
  }
  return kMouseEventHandled;
}

CMouseEventResult CTextEdit::onMouseUp(CPoint&, const CButtonState&) {
  selecting = false;
  return kMouseEventHandled;
}

int32_t CTextEdit::onKeyDown(VstKeyCode& key) {
  if (!editing) return -1;
  const bool shift = (key.modifier & MODIFIER_SHIFT) != 0;
  auto moveTo = [&](size_t to) {
    caret = to;
    if (!shift) anchor = caret;
  };
  auto eraseSelection = [&]() {
    const size_t from = std::min(caret, anchor), to = std::max(caret, anchor);
    editText.erase(from, to - from);
    caret = anchor = from;
    return to != from;
  };
  switch (key.virt) {
    case VKEY_RETURN:
    case VKEY_ENTER:
      endEditing(true);
      return 1;
    case VKEY_ESCAPE:
      endEditing(false);
      return 1;
    case VKEY_LEFT:
      moveTo(shift || caret == anchor ? previousCodePoint(editText, caret) : std::min(caret, anchor));
      break;
    case VKEY_RIGHT:
      moveTo(shift || caret == anchor ? nextCodePoint(editText, caret) : std::max(caret, anchor));
      break;
    case VKEY_HOME:
      moveTo(0);
      break;
    case VKEY_END:
      moveTo(editText.size());
      break;
    case VKEY_BACK:
      if (!eraseSelection() && caret > 0) {
        const size_t from = previousCodePoint(editText, caret);
        editText.erase(from, caret - from);
        caret = anchor = from;
      }
      break;
    case VKEY_DELETE:
      if (!eraseSelection() && caret < editText.size()) editText.erase(caret, nextCodePoint(editText, caret) - caret);
      break;
    case VKEY_TAB:
      return -1;
    default:
      if (key.virt == VKEY_SPACE && key.character == 0) key.character = ' ';
      if (key.character < 32 || key.character == 127 ||
          (key.modifier & (MODIFIER_CONTROL | MODIFIER_COMMAND)) != 0) {
        // Ctrl+A selects everything; other control keys are not ours.
        if ((key.modifier & MODIFIER_CONTROL) && (key.character == 'a' || key.character == 'A')) {
          anchor = 0;
          caret = editText.size();
          break;
        }
        return -1;
      }
      eraseSelection();
      {
        const std::string inserted = encodeUtf8(key.character);
        editText.insert(caret, inserted);
        caret = anchor = caret + inserted.size();
      }
      break;
  }
  invalid();
  return 1;
}

void CTextEdit::takeFocus() {
  if (editing) return;
  editing = true;
  editText = text;
  scroll = 0;
  anchor = 0;
  caret = editText.size();
  beginEdit();
  if (parentFrame && parentFrame->getPlatformFrame()) parentFrame->getPlatformFrame()->takeKeyboardFocus();
  invalid();
}

void CTextEdit::looseFocus() { endEditing(true); }

void CTextEdit::endEditing(bool commit) {
  if (!editing) return;
  remember();
  editing = false;
  selecting = false;
  if (commit && editText != text) {
    text = editText;
  }
  if (parentFrame) {
    if (parentFrame->getPlatformFrame()) parentFrame->getPlatformFrame()->releaseKeyboardFocus();
    if (parentFrame->getFocusView() == this) parentFrame->setFocusView(nullptr);
  }
  invalid();
  if (commit) valueChanged();
  endEdit();
  forget();
}

bool CTextEdit::removed(CView* parent) {
  if (editing) {
    // Removed while editing: the typed text is dropped.
    editing = false;
    if (parentFrame && parentFrame->getPlatformFrame()) parentFrame->getPlatformFrame()->releaseKeyboardFocus();
    endEdit();
  }
  return CTextLabel::removed(parent);
}

}  // namespace VSTGUI

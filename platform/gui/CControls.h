#pragma once

#include "platform/gui/CFontDesc.h"
#include "platform/gui/CView.h"

#include <string>

namespace VSTGUI {

class CControl;

// Receives the changes of the controls it listens to.
class IControlListener {
public:
  virtual ~IControlListener() = default;
  virtual void valueChanged(CControl* control) = 0;
  virtual int32_t controlModifierClicked(CControl* /*control*/, CButtonState /*button*/) { return 0; }
  virtual void controlBeginEdit(CControl* /*control*/) {}
  virtual void controlEndEdit(CControl* /*control*/) {}
};

// A view with a value between a minimum and a maximum (0 and 1 unless set),
// a tag and a listener that hears of every change the user makes.
class CControl : public CView {
public:
  CControl(const CRect& size, IControlListener* listener = nullptr, int32_t tag = -1, CBitmap* background = nullptr);
  CControl(const CControl& other) = default;

  virtual void setValue(float value);
  float getValue() const { return value; }
  virtual void setValueNormalized(float normalized);
  float getValueNormalized() const;
  void setMin(float v) { vmin = v; }
  void setMax(float v) { vmax = v; }
  float getMin() const { return vmin; }
  float getMax() const { return vmax; }
  float getRange() const { return vmax - vmin; }
  void setDefaultValue(float v) { defaultValue = v; }
  float getDefaultValue() const { return defaultValue; }
  // Normalised change per wheel step.
  void setWheelInc(float inc) { wheelInc = inc; }
  float getWheelInc() const { return wheelInc; }

  void setTag(int32_t t) { tag = t; }
  int32_t getTag() const { return tag; }
  void setListener(IControlListener* l) { listener = l; }
  IControlListener* getListener() const { return listener; }

  // Tells the listener (and the frame's editor) that the user changed the
  // value.
  virtual void valueChanged();
  virtual void beginEdit();
  virtual void endEdit();
  bool isEditing() const { return editing > 0; }

  void setDirty(bool state = true) override;
  void bounceValue();

protected:
  IControlListener* listener;
  int32_t tag;
  float value = 0.f;
  float vmin = 0.f;
  float vmax = 1.f;
  float defaultValue = 0.5f;
  float wheelInc = 0.1f;
  int32_t editing = 0;
};

// A two-state button: value max while the mouse is held on it, min when it
// is released; the listener hears both. The bitmap holds both states, one
// above the other (pressed below).
class CKickButton : public CControl {
public:
  CKickButton(const CRect& size, IControlListener* listener, int32_t tag, CCoord heightOfOneImage,
              CBitmap* background, const CPoint& offset = CPoint(0, 0));
  CKickButton(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
              const CPoint& offset = CPoint(0, 0));
  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
  CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
  CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
  CView* newCopy() const override { return new CKickButton(*this); }

private:
  CCoord heightOfOneImage;
  CPoint offset;
  float beforeValue = 0.f;
};

// A slider: a handle bitmap moved between two positions. A click puts the
// handle's centre under the pointer and dragging follows it.
class CSlider : public CControl {
public:
  enum Style : int32_t {
    kHorizontal = 1 << 0,
    kVertical = 1 << 1,
    kLeft = 1 << 2,
    kRight = 1 << 3,
    kTop = 1 << 4,
    kBottom = 1 << 5,
  };
  CSlider(const CRect& size, IControlListener* listener, int32_t tag, int32_t minPos, int32_t maxPos,
          CBitmap* handle, CBitmap* background, const CPoint& offset, int32_t style);

  void setStyle(int32_t s) { style = s; invalid(); }
  int32_t getStyle() const { return style; }
  void setHandle(CBitmap* bitmap) { handle = bitmap; invalid(); }
  CBitmap* getHandle() const { return handle; }
  void setOffsetHandle(const CPoint& p) { offsetHandle = p; }
  // The handle's left (top) edge at the minimum and at the maximum, in the
  // slider's own coordinates.
  CCoord getMinPos() const { return minPos; }
  CCoord getMaxPos() const { return maxPos; }

  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
  CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
  CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
  // Horizontal sliders turn with wheel motion along the X axis: a distance
  // d moves the value by -d × the wheel increment. Y-axis motion is left
  // unused (returns false). Vertical sliders take the Y axis, d × inc.
  bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
               const CButtonState& buttons) override;
  int32_t onKeyDown(VstKeyCode& key) override;
  CView* newCopy() const override { return new CSlider(*this); }

protected:
  float valueAt(const CPoint& where) const;

  SharedPointer<CBitmap> handle;
  CPoint offset;
  CPoint offsetHandle;
  CCoord minPos;
  CCoord maxPos;
  int32_t style;
};

class CHorizontalSlider : public CSlider {
public:
  CHorizontalSlider(const CRect& size, IControlListener* listener, int32_t tag, int32_t minPos, int32_t maxPos,
                    CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                    int32_t style = kLeft)
      : CSlider(size, listener, tag, minPos, maxPos, handle, background, offset, style | kHorizontal) {}
  CView* newCopy() const override { return new CHorizontalSlider(*this); }
};

// Shows one frame of a strip of equal frames stacked vertically: value v
// (normalised) shows frame trunc(v × (frames - 1) + 0.5).
class CMovieBitmap : public CControl {
public:
  CMovieBitmap(const CRect& size, IControlListener* listener, int32_t tag, int32_t subPixmaps,
               CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0));
  void draw(CDrawContext* context) override;
  int32_t getNumSubPixmaps() const { return subPixmaps; }
  int32_t currentFrame() const;
  CView* newCopy() const override { return new CMovieBitmap(*this); }

private:
  int32_t subPixmaps;
  CCoord heightOfOneImage;
  CPoint offset;
};

// Shows a text (one line) with a font, colours and an alignment: the back
// colour fills the rectangle, the frame colour outlines it.
class CTextLabel : public CControl {
public:
  enum Style : int32_t { kNoFrame = 1 << 2, kNoDrawStyle = 1 << 5, kTransparent = 1 << 3 };
  CTextLabel(const CRect& size, UTF8StringPtr text = nullptr, CBitmap* background = nullptr, int32_t style = 0);

  virtual void setText(const std::string& text);
  const std::string& getText() const { return text; }
  void setFont(CFontRef f) { if (f) font = *f; invalid(); }
  const CFontDesc& getFont() const { return font; }
  void setFontColor(const CColor& c) { fontColor = c; invalid(); }
  void setBackColor(const CColor& c) { backColor = c; invalid(); }
  void setFrameColor(const CColor& c) { frameColor = c; invalid(); }
  CColor getFontColor() const { return fontColor; }
  CColor getBackColor() const { return backColor; }
  CColor getFrameColor() const { return frameColor; }
  void setHoriAlign(CHoriTxtAlign a) { align = a; invalid(); }
  CHoriTxtAlign getHoriAlign() const { return align; }
  void setStyle(int32_t s) { style = s; invalid(); }
  int32_t getStyle() const { return style; }

  // Draws the text (see fittedText).
  void draw(CDrawContext* context) override;
  CView* newCopy() const override { return new CTextLabel(*this); }
  static constexpr int kMaxFontSteps = 3;
  // What draw shows: the text in the label's font; a text too wide for the
  // box in the box's whole width and a pixel smaller at a time (at most
  // kMaxFontSteps) until it fits; a decimal number that still does not fit
  // rounded to fewer decimals (the text itself stays, and editing shows it
  // whole). font and area receive the font and the area it is drawn in.
  std::string fittedText(CDrawContext* context, CFontDesc& font, CRect& area) const;

protected:
  CTextLabel(const CRect& size, IControlListener* listener, int32_t tag, UTF8StringPtr text, CBitmap* background,
             int32_t style);
  void drawBack(CDrawContext* context);
  CRect textRect() const;

  std::string text;
  CFontDesc font{"Arial", 12};
  CColor fontColor = kWhiteCColor;
  CColor backColor = kBlackCColor;
  CColor frameColor = kBlackCColor;
  CHoriTxtAlign align = kCenterText;
  int32_t style;
};

// A one-line text box. A click gives it the keyboard focus with the whole
// text selected; typing replaces the selection, arrows, Home, End,
// Backspace and Delete edit, Shift extends the selection. Return or losing
// the focus commits the text (the listener hears of it); Escape restores
// the text it had before and ends editing without a change. A text wider
// than the box scrolls so that the caret stays inside.
class CTextEdit : public CTextLabel {
public:
  CTextEdit(const CRect& size, IControlListener* listener, int32_t tag, UTF8StringPtr text = nullptr,
            CBitmap* background = nullptr, int32_t style = 0);

  void setText(const std::string& text) override;
  bool isEditing() const { return editing; }
  const std::string& getEditText() const { return editText; }
  // How far a text wider than the box is moved left to show the caret.
  CCoord getTextScroll() const { return scroll; }

  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
  CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
  CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
  int32_t onKeyDown(VstKeyCode& key) override;
  void takeFocus() override;
  void looseFocus() override;
  bool wantsFocus() const override { return true; }
  bool removed(CView* parent) override;
  CView* newCopy() const override { return new CTextEdit(*this); }

private:
  size_t indexAt(CCoord x);
  CCoord textStartX(CDrawContext* context) const;
  void scrollToCaret(CDrawContext* context);
  void endEditing(bool commit);

  bool editing = false;
  std::string editText;
  size_t caret = 0;
  size_t anchor = 0;  // selection from min(anchor, caret) to max
  CCoord scroll = 0;  // how far a text wider than the box is moved left
  bool selecting = false;
};

}  // namespace VSTGUI

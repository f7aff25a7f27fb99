#pragma once

// Geometry, colours, reference counting and input records of the widget
// layer. Nothing here knows a window system or the engine.

#include <algorithm>
#include <cstdint>
#include <utility>

namespace VSTGUI {

using CCoord = double;
using int32_t = std::int32_t;
using uint32_t = std::uint32_t;
using IdStringPtr = const char*;
using UTF8StringPtr = const char*;

struct CPoint {
  CCoord x = 0;
  CCoord y = 0;
  constexpr CPoint() = default;
  constexpr CPoint(CCoord px, CCoord py) : x(px), y(py) {}
  CPoint& offset(CCoord dx, CCoord dy) { x += dx; y += dy; return *this; }
  CPoint& offset(const CPoint& p) { return offset(p.x, p.y); }
  CPoint& offsetInverse(const CPoint& p) { return offset(-p.x, -p.y); }
  bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const CPoint& o) const { return !(*this == o); }
};

struct CRect {
  CCoord left = 0;
  CCoord top = 0;
  CCoord right = 0;
  CCoord bottom = 0;
  constexpr CRect() = default;
  constexpr CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}
  CRect(const CPoint& origin, const CPoint& size)
      : left(origin.x), top(origin.y), right(origin.x + size.x), bottom(origin.y + size.y) {}

  CCoord getWidth() const { return right - left; }
  CCoord getHeight() const { return bottom - top; }
  CPoint getTopLeft() const { return {left, top}; }
  CPoint getSize() const { return {getWidth(), getHeight()}; }
  CRect& setWidth(CCoord w) { right = left + w; return *this; }
  CRect& setHeight(CCoord h) { bottom = top + h; return *this; }
  CRect& offset(CCoord dx, CCoord dy) { left += dx; right += dx; top += dy; bottom += dy; return *this; }
  CRect& offset(const CPoint& p) { return offset(p.x, p.y); }
  CRect& moveTo(CCoord x, CCoord y) { return offset(x - left, y - top); }
  CRect& inset(CCoord dx, CCoord dy) { left += dx; right -= dx; top += dy; bottom -= dy; return *this; }
  bool isEmpty() const { return right <= left || bottom <= top; }
  // Half-open: the right and bottom edges are outside.
  bool pointInside(const CPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool rectOverlap(const CRect& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  CRect& bound(const CRect& o) {
    left = std::max(left, o.left); top = std::max(top, o.top);
    right = std::min(right, o.right); bottom = std::min(bottom, o.bottom);
    if (isEmpty()) right = left, bottom = top;
    return *this;
  }
  CRect& unite(const CRect& o) {
    if (isEmpty()) return *this = o;
    if (o.isEmpty()) return *this;
    left = std::min(left, o.left); top = std::min(top, o.top);
    right = std::max(right, o.right); bottom = std::max(bottom, o.bottom);
    return *this;
  }
  bool operator==(const CRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const CRect& o) const { return !(*this == o); }
};

// 8-bit red, green, blue and alpha (255 opaque).
struct CColor {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t alpha = 255;
  constexpr CColor() = default;
  constexpr CColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) : red(r), green(g), blue(b), alpha(a) {}
  bool operator==(const CColor& o) const {
    return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
  }
  bool operator!=(const CColor& o) const { return !(*this == o); }
};

constexpr CColor kTransparentCColor{255, 255, 255, 0};
constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kWhiteCColor{255, 255, 255, 255};
constexpr CColor kGreyCColor{127, 127, 127, 255};

enum CMessageResult { kMessageUnknown = 0, kMessageNotified = 1 };

// The reference-counted base of every widget-layer object: created with one
// reference; forget() deletes it when the last reference goes.
class CBaseObject {
public:
  CBaseObject() = default;
  CBaseObject(const CBaseObject&) : refCount(1) {}
  CBaseObject& operator=(const CBaseObject&) { return *this; }
  virtual ~CBaseObject() = default;

  // Virtual so that an object counted elsewhere too (the plug-in view,
  // counted by the host) can keep one count.
  virtual void remember() { ++refCount; }
  virtual void forget() {
    if (--refCount == 0) delete this;
  }
  int32_t getNbReference() const { return refCount; }

  virtual CMessageResult notify(CBaseObject* /*sender*/, IdStringPtr /*message*/) { return kMessageUnknown; }

private:
  int32_t refCount = 1;
};

// Holds one reference to a CBaseObject.
template <typename T>
class SharedPointer {
public:
  SharedPointer() = default;
  SharedPointer(T* p) : ptr(p) { if (ptr) ptr->remember(); }
  SharedPointer(const SharedPointer& o) : SharedPointer(o.ptr) {}
  SharedPointer(SharedPointer&& o) noexcept : ptr(std::exchange(o.ptr, nullptr)) {}
  ~SharedPointer() { if (ptr) ptr->forget(); }
  SharedPointer& operator=(T* p) {
    if (p) p->remember();
    if (ptr) ptr->forget();
    ptr = p;
    return *this;
  }
  SharedPointer& operator=(const SharedPointer& o) { return *this = o.ptr; }
  SharedPointer& operator=(SharedPointer&& o) noexcept {
    if (this != &o) {
      if (ptr) ptr->forget();
      ptr = std::exchange(o.ptr, nullptr);
    }
    return *this;
  }
  T* get() const { return ptr; }
  T* operator->() const { return ptr; }
  T& operator*() const { return *ptr; }
  operator T*() const { return ptr; }
  // Takes over a reference the caller already holds.
  SharedPointer& adopt(T* p) {
    if (ptr) ptr->forget();
    ptr = p;
    return *this;
  }

private:
  T* ptr = nullptr;
};

// A SharedPointer that takes over the creation reference of p.
template <typename T>
SharedPointer<T> owned(T* p) {
  SharedPointer<T> s;
  s.adopt(p);
  return s;
}

// Mouse buttons and keyboard modifiers held during a mouse event.
enum ButtonFlags : int32_t {
  kLButton = 1 << 1,
  kMButton = 1 << 2,
  kRButton = 1 << 3,
  kShift = 1 << 4,
  kControl = 1 << 5,
  kAlt = 1 << 6,
  kDoubleClick = 1 << 8,
};

struct CButtonState {
  int32_t state = 0;
  CButtonState() = default;
  CButtonState(int32_t s) : state(s) {}
  int32_t getButtonState() const { return state & (kLButton | kMButton | kRButton); }
  int32_t getModifierState() const { return state & (kShift | kControl | kAlt); }
  bool isLeftButton() const { return (state & kLButton) != 0; }
  bool isDoubleClick() const { return (state & kDoubleClick) != 0; }
  bool operator&(int32_t f) const { return (state & f) != 0; }
};

enum CMouseEventResult {
  kMouseEventNotImplemented = 0,
  kMouseEventHandled,
  kMouseEventNotHandled,
  kMouseDownEventHandledButDontNeedMovedOrUpEvents,
};

enum CMouseWheelAxis { kMouseWheelAxisX = 0, kMouseWheelAxisY };

// Virtual keys; the numbering is the VST 3 host interface's, so keys a host
// forwards need no translation.
enum VirtualKey : uint8_t {
  VKEY_BACK = 1, VKEY_TAB, VKEY_CLEAR, VKEY_RETURN, VKEY_PAUSE, VKEY_ESCAPE, VKEY_SPACE, VKEY_NEXT,
  VKEY_END, VKEY_HOME, VKEY_LEFT, VKEY_UP, VKEY_RIGHT, VKEY_DOWN, VKEY_PAGEUP, VKEY_PAGEDOWN,
  VKEY_SELECT, VKEY_PRINT, VKEY_ENTER, VKEY_SNAPSHOT, VKEY_INSERT, VKEY_DELETE,
};

enum KeyModifier : uint8_t {
  MODIFIER_SHIFT = 1 << 0,
  MODIFIER_ALTERNATE = 1 << 1,
  MODIFIER_COMMAND = 1 << 2,
  MODIFIER_CONTROL = 1 << 3,
};

// One key: a character (Unicode code point) or a virtual key, and modifiers.
struct VstKeyCode {
  int32_t character = 0;
  uint8_t virt = 0;
  uint8_t modifier = 0;
};

enum CHoriTxtAlign { kLeftText = 0, kCenterText, kRightText };

}  // namespace VSTGUI

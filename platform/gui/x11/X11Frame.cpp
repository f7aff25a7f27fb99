#include "platform/gui/x11/X11Frame.h"

#include "platform/gui/CVSTGUITimer.h"
#include "platform/gui/ChildProcessSet.h"
#include "pluginterfaces/gui/iplugview.h"

#include <cairo.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace VSTGUI {

namespace {

using Steinberg::FUnknown;
using Steinberg::TUID;
using Steinberg::tresult;
using Steinberg::uint32;
namespace Linux = Steinberg::Linux;

constexpr uint32_t kXembedMapped = 1;  // _XEMBED_INFO flags: the window wants to be mapped
constexpr uint32_t kDoubleClickMs = 400;

class X11PlatformFrame;

// The objects the run loop holds: plain forwarders that outlive nothing
// they point to (the frame clears the pointer before it goes).
template <typename Interface>
class Forwarder : public Interface {
public:
  explicit Forwarder(X11PlatformFrame* owner) : owner(owner) {}
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    if (Steinberg::FUnknownPrivate::iidEqual(iid, Interface::iid) ||
        Steinberg::FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      addRef();
      *obj = this;
      return Steinberg::kResultOk;
    }
    *obj = nullptr;
    return Steinberg::kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return ++refs; }
  uint32 PLUGIN_API release() override {
    const uint32 left = --refs;
    if (left == 0) delete this;
    return left;
  }
  X11PlatformFrame* owner;

protected:
  virtual ~Forwarder() = default;
  std::atomic<uint32> refs{1};
};

class EventForwarder : public Forwarder<Linux::IEventHandler> {
public:
  using Forwarder::Forwarder;
  void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override;
};

class TimerForwarder : public Forwarder<Linux::ITimerHandler> {
public:
  using Forwarder::Forwarder;
  void PLUGIN_API onTimer() override;
};

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  free(reply);
  return atom;
}

int32_t buttonFlags(uint16_t state) {
  int32_t flags = 0;
  if (state & XCB_BUTTON_MASK_1) flags |= kLButton;
  if (state & XCB_BUTTON_MASK_2) flags |= kMButton;
  if (state & XCB_BUTTON_MASK_3) flags |= kRButton;
  if (state & XCB_MOD_MASK_SHIFT) flags |= kShift;
  if (state & XCB_MOD_MASK_CONTROL) flags |= kControl;
  if (state & XCB_MOD_MASK_1) flags |= kAlt;
  return flags;
}

class X11PlatformFrame : public IPlatformFrame, public X11PlatformFrameAccess {
public:
  X11PlatformFrame(CFrame* frame, xcb_window_t parent, Linux::IRunLoop* runLoop, uint32_t tickMs)
      : frame(frame), runLoop(runLoop) {
    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) return;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (!setup) return;
    scale = frame->getScaleFactor();
    const uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK;
    const uint32_t values[] = {0, XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                      XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                      XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                      XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, parent, 0, 0, pixelWidth(), pixelHeight(), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, mask, values);
    const xcb_atom_t xembed = internAtom(connection, "_XEMBED_INFO");
    const uint32_t info[] = {0, kXembedMapped};  // protocol version 0, mapped
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, xembed, xembed, 32, 2, info);
    gc = xcb_generate_id(connection);
    xcb_create_gc(connection, gc, window, 0, nullptr);
    xcb_map_window(connection, window);
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    if (!geometry) return;  // the parent does not exist: an error came instead
    depth = geometry->depth;
    free(geometry);
    setupKeyboard();

    // The only registrations, undone in the destructor (the view's
    // removed): hosts walk their tables while they call us, so nothing is
    // registered or unregistered from inside a callback. Child processes
    // (file dialogs) are serviced on the timer instead of by descriptor.
    eventHandler = new EventForwarder(this);
    timerHandler = new TimerForwarder(this);
    runLoop->addRef();
    runLoop->registerEventHandler(eventHandler, xcb_get_file_descriptor(connection));
    runLoop->registerTimer(timerHandler, tickMs);
    xcb_flush(connection);
    ok = true;
  }

  ~X11PlatformFrame() override {
    // Children first: killing them reports to clients that may still use
    // the frame.
    children.reset();
    // 1. nothing of ours stays in the run loop;
    if (runLoop && eventHandler) {
      runLoop->unregisterEventHandler(eventHandler);
      runLoop->unregisterTimer(timerHandler);
    }
    if (eventHandler) {
      eventHandler->owner = nullptr;
      eventHandler->release();
    }
    if (timerHandler) {
      timerHandler->owner = nullptr;
      timerHandler->release();
    }
    if (runLoop && eventHandler) runLoop->release();
    // 2. the window goes, 3. the requests are sent, 4. the connection ends.
    if (connection && !xcb_connection_has_error(connection)) {
      // Whatever was taken is given back before the window goes, so that
      // the server never reverts the focus into a host window on its way
      // out.
      if (pointerGrabs > 0) xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
      if (focusTaken > 0) {
        focusTaken = 1;
        releaseKeyboardFocus();
      }
      if (gc) xcb_free_gc(connection, gc);
      if (window) xcb_destroy_window(connection, window);
      xcb_flush(connection);
    }
    if (keyState) xkb_state_unref(keyState);
    if (keymap) xkb_keymap_unref(keymap);
    if (keyContext) xkb_context_unref(keyContext);
    if (connection) xcb_disconnect(connection);
  }

  bool isOk() const { return ok; }

  // IPlatformFrame
  void scheduleRedraw() override { redrawPending = true; }

  void grabPointer() override {
    if (pointerGrabs++ == 0 && alive()) {
      const uint16_t events = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
      free(xcb_grab_pointer_reply(connection,
                                  xcb_grab_pointer(connection, 1, window, events, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                                  nullptr));
      takeKeyboardFocus();  // Escape and the arrows reach the menu
    }
  }

  void releasePointer() override {
    if (pointerGrabs == 0) return;
    if (--pointerGrabs == 0 && alive()) {
      xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
      releaseKeyboardFocus();
      xcb_flush(connection);
    }
  }

  void takeKeyboardFocus() override {
    if (focusTaken++ > 0 || !alive()) return;
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    previousFocus = reply ? reply->focus : XCB_NONE;
    free(reply);
    // Should our window vanish first, the focus reverts to the pointer's
    // root, not into the host's windows (which may be going too).
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    // A round trip: keys typed from now on are ours.
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  }

  void releaseKeyboardFocus() override {
    if (focusTaken == 0) return;
    if (--focusTaken > 0 || !alive()) return;
    // Back to the window that had it while that one is still shown, else
    // to the pointer's root.
    if (previousFocus != XCB_NONE && previousFocus != window && viewable(previousFocus))
      xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, previousFocus, XCB_CURRENT_TIME);
    else
      xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_CURRENT_TIME);
    // A round trip: the focus is back before anything else happens.
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  }

  std::unique_ptr<IChildProcess> startChildProcess(const std::vector<std::string>& argv,
                                                   IChildProcessClient* client) override {
    // Serviced by the timer (service()); no descriptor is registered.
    return children ? children->start(argv, client) : nullptr;
  }

  // X11PlatformFrameAccess
  uint32_t windowId() const override { return window; }

  void resizeWindow(double factor) override {
    scale = factor;
    if (!alive()) return;
    const uint32_t values[] = {pixelWidth(), pixelHeight()};
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    xcb_flush(connection);
  }

  void service() override {
    if (!alive()) return;
    SharedPointer<CFrame> keep(frame);  // an event may close the frame's views
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      handle(event);
      free(event);
    }
    TimerClock::fireDue();
    if (children && !children->empty()) children->service();
    redraw();
  }

  void onDescriptor(int fd) {
    if (connection && fd == xcb_get_file_descriptor(connection)) service();
  }

private:
  bool alive() const { return connection && ok && !xcb_connection_has_error(connection); }
  // Whether a window exists and is mapped with all its ancestors.
  bool viewable(xcb_window_t w) const {
    if (w == XCB_INPUT_FOCUS_POINTER_ROOT) return false;
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, w), nullptr);
    const bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    free(a);
    return shown;
  }
  uint16_t pixelWidth() const { return static_cast<uint16_t>(std::ceil(frame->getWidth() * scale)); }
  uint16_t pixelHeight() const { return static_cast<uint16_t>(std::ceil(frame->getHeight() * scale)); }

  void setupKeyboard() {
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
      return;
    keyContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!keyContext) return;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0) return;
    keymap = xkb_x11_keymap_new_from_device(keyContext, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap) keyState = xkb_x11_state_new_from_device(keymap, connection, device);
  }

  CPoint toFrame(int16_t x, int16_t y) const { return CPoint(x / scale, y / scale); }

  void handle(xcb_generic_event_t* event) {
    switch (event->response_type & 0x7F) {
      case XCB_EXPOSE: {
        auto* e = reinterpret_cast<xcb_expose_event_t*>(event);
        exposed.unite(CRect(e->x, e->y, e->x + e->width, e->y + e->height));
        if (e->count == 0) {
          frame->invalidRect(CRect(std::floor(exposed.left / scale), std::floor(exposed.top / scale),
                                   std::ceil(exposed.right / scale), std::ceil(exposed.bottom / scale)));
          exposed = CRect();
        }
        break;
      }
      case XCB_BUTTON_PRESS: {
        auto* e = reinterpret_cast<xcb_button_press_event_t*>(event);
        const CPoint where = toFrame(e->event_x, e->event_y);
        if (e->detail >= 4 && e->detail <= 7) {
          const bool vertical = e->detail <= 5;
          const float distance = (e->detail == 4 || e->detail == 6) ? 1.f : -1.f;
          frame->platformOnWheel(where, vertical ? kMouseWheelAxisY : kMouseWheelAxisX,
                                 vertical ? distance : -distance, buttonFlags(e->state));
          break;
        }
        int32_t flags = buttonFlags(e->state) & ~(kLButton | kMButton | kRButton);
        flags |= e->detail == 1 ? kLButton : e->detail == 2 ? kMButton : kRButton;
        if (e->detail == lastButton && e->time - lastPressTime < kDoubleClickMs &&
            std::abs(e->event_x - lastPressX) < 4 && std::abs(e->event_y - lastPressY) < 4)
          flags |= kDoubleClick;
        lastButton = e->detail;
        lastPressTime = e->time;
        lastPressX = e->event_x;
        lastPressY = e->event_y;
        frame->platformOnMouseDown(where, flags);
        break;
      }
      case XCB_BUTTON_RELEASE: {
        auto* e = reinterpret_cast<xcb_button_release_event_t*>(event);
        if (e->detail >= 4 && e->detail <= 7) break;
        int32_t flags = buttonFlags(e->state) & ~(kLButton | kMButton | kRButton);
        flags |= e->detail == 1 ? kLButton : e->detail == 2 ? kMButton : kRButton;
        frame->platformOnMouseUp(toFrame(e->event_x, e->event_y), flags);
        break;
      }
      case XCB_MOTION_NOTIFY: {
        auto* e = reinterpret_cast<xcb_motion_notify_event_t*>(event);
        frame->platformOnMouseMoved(toFrame(e->event_x, e->event_y), buttonFlags(e->state));
        break;
      }
      case XCB_KEY_PRESS:
      case XCB_KEY_RELEASE: {
        auto* e = reinterpret_cast<xcb_key_press_event_t*>(event);
        if (!keyState) break;
        xkb_state_update_mask(keyState, e->state & 0xFF, 0, 0, 0, 0, (e->state >> 13) & 3);
        const VstKeyCode key = translateKey(e->detail, e->state);
        if ((event->response_type & 0x7F) == XCB_KEY_PRESS)
          frame->platformOnKeyDown(key);
        else
          frame->platformOnKeyUp(key);
        break;
      }
      case XCB_FOCUS_IN: {
        auto* e = reinterpret_cast<xcb_focus_in_event_t*>(event);
        if (e->detail != XCB_NOTIFY_DETAIL_POINTER) hasFocus = true;
        break;
      }
      case XCB_FOCUS_OUT: {
        auto* e = reinterpret_cast<xcb_focus_out_event_t*>(event);
        // The focus went to another window while a box was edited: commit.
        if (e->mode != XCB_NOTIFY_MODE_NORMAL || e->detail == XCB_NOTIFY_DETAIL_POINTER ||
            e->detail == XCB_NOTIFY_DETAIL_INFERIOR)
          break;
        const bool had = hasFocus;
        hasFocus = false;
        if (had && focusTaken > 0 && pointerGrabs == 0) frame->setFocusView(nullptr);
        break;
      }
      default:
        break;
    }
  }

  VstKeyCode translateKey(xcb_keycode_t code, uint16_t state) {
    VstKeyCode key;
    if (state & XCB_MOD_MASK_SHIFT) key.modifier |= MODIFIER_SHIFT;
    if (state & XCB_MOD_MASK_CONTROL) key.modifier |= MODIFIER_CONTROL;
    if (state & XCB_MOD_MASK_1) key.modifier |= MODIFIER_ALTERNATE;
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(keyState, code);
    struct Named {
      xkb_keysym_t sym;
      uint8_t virt;
    };
    static constexpr Named named[] = {
        {XKB_KEY_BackSpace, VKEY_BACK}, {XKB_KEY_Tab, VKEY_TAB},       {XKB_KEY_Return, VKEY_RETURN},
        {XKB_KEY_KP_Enter, VKEY_ENTER}, {XKB_KEY_Escape, VKEY_ESCAPE}, {XKB_KEY_Left, VKEY_LEFT},
        {XKB_KEY_Right, VKEY_RIGHT},    {XKB_KEY_Up, VKEY_UP},         {XKB_KEY_Down, VKEY_DOWN},
        {XKB_KEY_Home, VKEY_HOME},      {XKB_KEY_End, VKEY_END},       {XKB_KEY_Delete, VKEY_DELETE},
        {XKB_KEY_Page_Up, VKEY_PAGEUP}, {XKB_KEY_Page_Down, VKEY_PAGEDOWN},
    };
    for (const Named& n : named)
      if (n.sym == sym) {
        key.virt = n.virt;
        return key;
      }
    const uint32_t utf32 = xkb_state_key_get_utf32(keyState, code);
    if (utf32 >= 32 && utf32 != 127) key.character = static_cast<int32_t>(utf32);
    if (sym == XKB_KEY_space) key.virt = VKEY_SPACE;
    // Ctrl+letter gives a control code: report the letter itself.
    if ((key.modifier & MODIFIER_CONTROL) && key.character == 0) {
      const uint32_t plain = xkb_keysym_to_utf32(sym);
      if (plain >= 32) key.character = static_cast<int32_t>(plain);
    }
    return key;
  }

  void redraw() {
    if (!redrawPending && !frame->hasDirtyRects()) return;
    redrawPending = false;
    const std::vector<CRect> areas = frame->drawDirty();
    if (areas.empty() || !alive()) return;
    cairo_surface_t* image = frame->getBackBuffer();
    const int stride = cairo_image_surface_get_stride(image);
    const uint8_t* pixels = cairo_image_surface_get_data(image);
    const int imageWidth = cairo_image_surface_get_width(image);
    const int imageHeight = cairo_image_surface_get_height(image);
    // Requests have a maximum length (in 4-byte units): large areas go up
    // in bands of rows.
    const uint32_t maxBytes = xcb_get_maximum_request_length(connection) * 4 - 64;
    for (const CRect& area : areas) {
      const int x0 = std::max(0, static_cast<int>(std::floor(area.left * scale)));
      const int y0 = std::max(0, static_cast<int>(std::floor(area.top * scale)));
      const int x1 = std::min(imageWidth, static_cast<int>(std::ceil(area.right * scale)));
      const int y1 = std::min(imageHeight, static_cast<int>(std::ceil(area.bottom * scale)));
      if (x1 <= x0 || y1 <= y0) continue;
      const int width = x1 - x0;
      const int rowsPerBand = std::max(1, static_cast<int>(maxBytes / (static_cast<uint32_t>(width) * 4)));
      for (int y = y0; y < y1; y += rowsPerBand) {
        const int rows = std::min(rowsPerBand, y1 - y);
        band.resize(static_cast<size_t>(width) * 4 * static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r)
          std::memcpy(&band[static_cast<size_t>(r) * width * 4], pixels + (y + r) * stride + x0 * 4,
                      static_cast<size_t>(width) * 4);
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(rows), static_cast<int16_t>(x0), static_cast<int16_t>(y), 0, depth,
                      static_cast<uint32_t>(band.size()), band.data());
      }
    }
    xcb_flush(connection);
  }

  CFrame* frame;
  Linux::IRunLoop* runLoop;
  xcb_connection_t* connection = nullptr;
  xcb_window_t window = 0;
  xcb_gcontext_t gc = 0;
  uint8_t depth = 24;
  double scale = 1.0;
  bool ok = false;
  bool redrawPending = true;
  CRect exposed;
  std::vector<uint8_t> band;
  int pointerGrabs = 0;
  int focusTaken = 0;
  bool hasFocus = false;  // X input focus is in our window
  xcb_window_t previousFocus = XCB_NONE;
  uint8_t lastButton = 0;
  uint32_t lastPressTime = 0;
  int16_t lastPressX = 0;
  int16_t lastPressY = 0;
  xkb_context* keyContext = nullptr;
  xkb_keymap* keymap = nullptr;
  xkb_state* keyState = nullptr;
  EventForwarder* eventHandler = nullptr;
  TimerForwarder* timerHandler = nullptr;
  std::unique_ptr<ChildProcessSet> children = std::make_unique<ChildProcessSet>();
};

void EventForwarder::onFDIsSet(Linux::FileDescriptor fd) {
  if (owner) owner->onDescriptor(fd);
}

void TimerForwarder::onTimer() {
  if (owner) owner->service();
}

}  // namespace

std::unique_ptr<IPlatformFrame> X11FrameConfig::createPlatformFrame(CFrame* frame, void* parent, PlatformType type) {
  if (type != PlatformType::kDefaultNative && type != PlatformType::kX11EmbedWindowID) return nullptr;
  if (!runLoop || !parent) return nullptr;
  auto platform = std::make_unique<X11PlatformFrame>(frame, static_cast<xcb_window_t>(reinterpret_cast<uintptr_t>(parent)),
                                                     runLoop, tickMilliseconds);
  if (!platform->isOk()) return nullptr;
  return platform;
}

}  // namespace VSTGUI

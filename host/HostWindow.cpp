#include "host/HostWindow.h"

#include <cairo.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace ovri::korvane::host {

using namespace Steinberg;

// The frame a view is embedded in: resize requests are noted (the window
// follows), and the run loop is offered through queryInterface.
class HostPlugFrame : public IPlugFrame {
public:
  HostPlugFrame(HostRunLoop* loop, HostWindow* window) : loop(loop), window(window) {}
  virtual ~HostPlugFrame() = default;
  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* size) override {
    if (!size) return kInvalidArgument;
    width = size->getWidth();
    height = size->getHeight();
    (void)view;
    resized = true;
    return kResultTrue;
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      addRef();
      *obj = this;
      return kResultOk;
    }
    if (loop && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) return loop->queryInterface(iid, obj);
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return ++refs; }
  uint32 PLUGIN_API release() override {
    const uint32 left = --refs;
    if (left == 0) delete this;
    return left;
  }

  HostRunLoop* loop;
  HostWindow* window;
  int width = 0;
  int height = 0;
  bool resized = false;

private:
  std::atomic<uint32> refs{1};
};

struct HostWindow::Connection {
  xcb_connection_t* c = nullptr;
  xcb_screen_t* screen = nullptr;
  ~Connection() {
    if (c) xcb_disconnect(c);
  }
};

std::unique_ptr<HostWindow> HostWindow::create(HostRunLoop& loop, bool offerRunLoop, std::string& error) {
  std::unique_ptr<HostWindow> w(new HostWindow);
  w->x = std::make_unique<Connection>();
  int screenNumber = 0;
  w->x->c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(w->x->c)) {
    error = "cannot connect to the X server (DISPLAY)";
    return nullptr;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(w->x->c));
  for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
  w->x->screen = it.data;
  w->window = xcb_generate_id(w->x->c);
  const uint32_t values[] = {w->x->screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_create_window(w->x->c, XCB_COPY_FROM_PARENT, w->window, w->x->screen->root, 0, 0, 100, 100, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, w->x->screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                    values);
  const char* title = "korvane-host";
  xcb_change_property(w->x->c, XCB_PROP_MODE_REPLACE, w->window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      static_cast<uint32_t>(std::strlen(title)), title);
  xcb_map_window(w->x->c, w->window);
  xcb_flush(w->x->c);
  w->loop = &loop;
  w->plugFrame = new HostPlugFrame(offerRunLoop ? &loop : nullptr, w.get());
  return w;
}

HostWindow::~HostWindow() {
  detach();
  if (plugFrame) plugFrame->release();
  if (x && x->c) {
    xcb_destroy_window(x->c, window);
    xcb_flush(x->c);
  }
}

tresult HostWindow::attach(IPlugView* view) {
  if (!view || attachedView) return kInvalidArgument;
  view->setFrame(plugFrame);
  ViewRect size;
  if (view->getSize(&size) == kResultTrue) {
    const uint32_t values[] = {static_cast<uint32_t>(size.getWidth()), static_cast<uint32_t>(size.getHeight())};
    xcb_configure_window(x->c, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    xcb_flush(x->c);
  }
  const tresult result = view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(window)), kPlatformTypeX11EmbedWindowID);
  if (result == kResultOk || result == kResultTrue) {
    attachedView = view;
    view->addRef();
  } else {
    view->setFrame(nullptr);
  }
  return result;
}

void HostWindow::detach() {
  if (!attachedView) return;
  attachedView->removed();
  attachedView->setFrame(nullptr);
  attachedView->release();
  attachedView = nullptr;
}

uint32_t HostWindow::pluginWindow() const {
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x->c, xcb_query_tree(x->c, window), nullptr);
  uint32_t child = 0;
  if (tree && xcb_query_tree_children_length(tree) > 0) child = xcb_query_tree_children(tree)[0];
  free(tree);
  return child;
}

bool HostWindow::windowSize(uint32_t id, int& width, int& height) const {
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(x->c, xcb_get_geometry(x->c, id), nullptr);
  if (!g) return false;
  width = g->width;
  height = g->height;
  free(g);
  return true;
}

std::vector<uint32_t> HostWindow::cardinalProperty(uint32_t id, const char* name) const {
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(x->c, xcb_intern_atom(x->c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  std::vector<uint32_t> values;
  if (!atom || atom->atom == XCB_ATOM_NONE) {
    free(atom);
    return values;
  }
  xcb_get_property_reply_t* p =
      xcb_get_property_reply(x->c, xcb_get_property(x->c, 0, id, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 16), nullptr);
  if (p && p->format == 32) {
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(p));
    values.assign(data, data + xcb_get_property_value_length(p) / 4);
  }
  free(p);
  free(atom);
  return values;
}

int HostWindow::requestedWidth() const { return plugFrame->resized ? plugFrame->width : 0; }
int HostWindow::requestedHeight() const { return plugFrame->resized ? plugFrame->height : 0; }

bool HostWindow::pointerGrabbable() const {
  xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(
      x->c,
      xcb_grab_pointer(x->c, 0, window, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                       XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
      nullptr);
  const bool ok = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
  free(reply);
  if (ok) {
    xcb_ungrab_pointer(x->c, XCB_CURRENT_TIME);
    // A round trip: the server has let go before another client asks.
    free(xcb_get_input_focus_reply(x->c, xcb_get_input_focus(x->c), nullptr));
  }
  return ok;
}

bool HostWindow::screenshot(const std::string& pngPath) const {
  const uint32_t child = pluginWindow();
  int width = 0, height = 0;
  if (!child || !windowSize(child, width, height)) return false;
  xcb_get_image_reply_t* image = xcb_get_image_reply(
      x->c,
      xcb_get_image(x->c, XCB_IMAGE_FORMAT_Z_PIXMAP, child, 0, 0, static_cast<uint16_t>(width),
                    static_cast<uint16_t>(height), ~0u),
      nullptr);
  if (!image) return false;
  // 32 bits per pixel, blue green red in memory order: cairo's RGB24.
  bool ok = false;
  if (xcb_get_image_data_length(image) == width * height * 4) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_surface_flush(s);
    unsigned char* dst = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const uint8_t* src = xcb_get_image_data(image);
    for (int y = 0; y < height; ++y) std::memcpy(dst + y * stride, src + y * width * 4, static_cast<size_t>(width) * 4);
    cairo_surface_mark_dirty(s);
    ok = cairo_surface_write_to_png(s, pngPath.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
  }
  free(image);
  return ok;
}

void HostWindow::moveTo(int px, int py) {
  const uint32_t child = pluginWindow();
  xcb_translate_coordinates_reply_t* t = xcb_translate_coordinates_reply(
      x->c, xcb_translate_coordinates(x->c, child ? child : window, x->screen->root, static_cast<int16_t>(px),
                                      static_cast<int16_t>(py)),
      nullptr);
  if (!t) return;
  xcb_test_fake_input(x->c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, x->screen->root, t->dst_x, t->dst_y, 0);
  free(t);
  flush();
}

void HostWindow::press(int button) {
  xcb_test_fake_input(x->c, XCB_BUTTON_PRESS, static_cast<uint8_t>(button), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  flush();
}

void HostWindow::release(int button) {
  xcb_test_fake_input(x->c, XCB_BUTTON_RELEASE, static_cast<uint8_t>(button), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  flush();
}

void HostWindow::click(int px, int py, int button) {
  moveTo(px, py);
  press(button);
  release(button);
}

bool HostWindow::findKeycode(uint32_t keysym, uint8_t& keycode, bool& shift) const {
  const xcb_setup_t* setup = xcb_get_setup(x->c);
  const uint8_t first = setup->min_keycode;
  const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  xcb_get_keyboard_mapping_reply_t* map =
      xcb_get_keyboard_mapping_reply(x->c, xcb_get_keyboard_mapping(x->c, first, count), nullptr);
  if (!map) return false;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
  const int per = map->keysyms_per_keycode;
  bool found = false;
  for (int level = 0; level < std::min(per, 2) && !found; ++level)
    for (int k = 0; k < count; ++k)
      if (syms[k * per + level] == keysym) {
        keycode = static_cast<uint8_t>(first + k);
        shift = level == 1;
        found = true;
        break;
      }
  free(map);
  return found;
}

void HostWindow::fakeKey(uint8_t keycode, bool shift) {
  uint8_t shiftCode = 0;
  bool unused = false;
  if (shift && findKeycode(0xffe1, shiftCode, unused))  // Shift_L
    xcb_test_fake_input(x->c, XCB_KEY_PRESS, shiftCode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_test_fake_input(x->c, XCB_KEY_PRESS, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_test_fake_input(x->c, XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  if (shiftCode) xcb_test_fake_input(x->c, XCB_KEY_RELEASE, shiftCode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  flush();
}

void HostWindow::type(const std::string& text) {
  for (char ch : text) key(static_cast<unsigned char>(ch));  // Latin-1 keysyms equal the code points
}

void HostWindow::key(uint32_t keysym) {
  uint8_t code = 0;
  bool shift = false;
  if (findKeycode(keysym, code, shift)) fakeKey(code, shift);
}

void HostWindow::flush() const { xcb_flush(x->c); }

}  // namespace ovri::korvane::host

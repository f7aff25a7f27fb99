#include "standalone/WindowShortcuts.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ovri::korvane::standalone {

namespace {

// The keycode of a Latin letter's keysym (equal to its lower-case ASCII
// code) on the server's keyboard map; 0 if it has none.
uint8_t keycodeOf(xcb_connection_t* c, uint32_t keysym) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  const uint8_t first = setup->min_keycode, count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  xcb_get_keyboard_mapping_reply_t* map =
      xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr);
  if (map == nullptr) return 0;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
  const int perCode = map->keysyms_per_keycode;
  uint8_t found = 0;
  for (int k = 0; k < count && found == 0; ++k)
    for (int level = 0; level < perCode && level < 2; ++level)
      if (syms[k * perCode + level] == keysym) found = static_cast<uint8_t>(first + k);
  std::free(map);
  return found;
}

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (const char ch : text) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return out + "'";
}

}  // namespace

bool WindowShortcuts::attach(uint32_t toplevel) {
  connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) return false;
  const char title[] = "Korvane Synth FM4";
  const char windowClass[] = "korvane\0Korvane";  // instance and class, each with its closing zero
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, toplevel, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      sizeof title - 1, title);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, toplevel, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                      sizeof windowClass, windowClass);
  keyO = keycodeOf(connection, 'o');
  keyS = keycodeOf(connection, 's');
  keyF = keycodeOf(connection, 'f');
  // Control, whether Caps Lock (Lock) and Num Lock (usually Mod2) are on.
  const uint16_t lockCombinations[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
  for (const uint8_t key : {keyO, keyS, keyF}) {
    if (key == 0) continue;
    for (const uint16_t locks : lockCombinations)
      xcb_grab_key(connection, 1, toplevel, static_cast<uint16_t>(XCB_MOD_MASK_CONTROL | locks), key,
                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
  }
  xcb_flush(connection);
  return true;
}

WindowShortcuts::~WindowShortcuts() {
  if (connection != nullptr) xcb_disconnect(connection);
}

WindowShortcuts::Action WindowShortcuts::poll() {
  Action action = Action::None;
  if (connection == nullptr) return action;
  while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
    if ((event->response_type & 0x7f) == XCB_KEY_PRESS && action == Action::None) {
      const uint8_t key = reinterpret_cast<xcb_key_press_event_t*>(event)->detail;
      action = key == keyO ? Action::LoadState : key == keyS ? Action::SaveState : key == keyF ? Action::LoadFactory
                                                                                                : Action::None;
    }
    std::free(event);
  }
  return action;
}

FileDialog::~FileDialog() {
  if (thread.joinable()) thread.join();
}

bool FileDialog::open(bool save, const std::string& title, const std::string& initialPath) {
  if (thread.joinable()) return false;
  done = false;
  std::string command = "zenity --file-selection --title=" + quoted(title) + " --filename=" + quoted(initialPath) +
                        (save ? " --save --confirm-overwrite" : "") + " 2>/dev/null";
  thread = std::thread([this, command] {
    std::string path;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) path += buffer;
      pclose(pipe);
    }
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    std::lock_guard<std::mutex> lock(mutex);
    result = path;
    done = true;
  });
  return true;
}

bool FileDialog::finished(std::string& path) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!done) return false;
    done = false;
    path = result;
  }
  thread.join();
  return true;
}

}  // namespace ovri::korvane::standalone

// The real bundle in the SDK's editorhost (a prebuilt test tool beside the
// source tree, ../shared/tools/vst3sdk), under the X server of DISPLAY,
// driven from outside with synthetic input: file dialogs (the stand-in
// program) cancelled and answered again and again, the host's window
// closed while a menu or list is open, and a second view of the same
// instance. The host must stay alive and exit with status 0. Skipped with a
// note where the tool or the X server is absent, and in sanitizer builds
// (editorhost cannot load a sanitized bundle).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace ovri::korvane::test {
namespace {

namespace fs = std::filesystem;

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string editorHostPath() {
  return (fs::path(KORVANE_SOURCE_DIR).parent_path() / "shared/tools/vst3sdk/editorhost").string();
}

// One run of editorhost: its process, its windows, synthetic input.
class SdkEditorHost {
public:
  ~SdkEditorHost() {
    if (pid > 0 && running()) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (c) xcb_disconnect(c);
  }

  bool start(const std::vector<std::string>& options, const std::string& answerFile, std::string& error) {
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
      error = "no X server";
      return false;
    }
    root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    before = topLevels();
    std::vector<std::string> args{editorHostPath()};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(KORVANE_TEST_BUNDLE);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
      if (std::strncmp(*e, "PATH=", 5) != 0) env.emplace_back(*e);
    env.push_back(std::string("PATH=") + KORVANE_FAKE_DIALOG_DIR + ":" + (std::getenv("PATH") ? std::getenv("PATH") : ""));
    env.push_back("KORVANE_FAKE_DIALOG_ANSWER_FILE=" + answerFile);
    env.push_back("KORVANE_FAKE_DIALOG_ANSWER=");
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = std::string(KORVANE_GUI_SHOTS) + "/editorhost.log";
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      error = "editorhost did not start";
      return false;
    }
    return true;
  }

  // Waits for count editor windows (784 x 632 grandchildren of new
  // top-level windows).
  bool waitForViews(size_t count, int timeoutMs = 10000) {
    for (int t = 0; t < timeoutMs && running(); t += 50) {
      tops.clear();
      views.clear();
      for (xcb_window_t w : topLevels()) {
        if (std::find(before.begin(), before.end(), w) != before.end()) continue;
        for (xcb_window_t child : children(w))
          for (xcb_window_t grandchild : children(child))
            if (size(grandchild) == std::make_pair(784, 632)) {
              tops.push_back(w);
              views.push_back(grandchild);
            }
      }
      if (views.size() >= count) {
        pause(400);  // the handshake and a few refresh ticks
        return true;
      }
      pause(50);
    }
    return false;
  }

  // A click at (x, y) of view n.
  void click(int x, int y, size_t n = 0) {
    xcb_translate_coordinates_reply_t* at =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, views[n], root, x, y), nullptr);
    if (!at) return;
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, at->dst_x, at->dst_y, 0);
    free(at);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(c);
    pause(120);
  }

  // The window with the keyboard focus.
  xcb_window_t focus() {
    xcb_get_input_focus_reply_t* r = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const xcb_window_t w = r ? r->focus : 0;
    free(r);
    return w;
  }
  xcb_window_t view(size_t n = 0) const { return views[n]; }
  // What a window manager does when the host's window comes up.
  void focusHostWindow() {
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, tops[0], XCB_CURRENT_TIME);
    xcb_flush(c);
    pause(50);
  }

  // The host's own close: WM_DELETE_WINDOW to its first window.
  void closeWindow() {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.window = tops[0];
    e.format = 32;
    e.type = atom("WM_PROTOCOLS");
    e.data.data32[0] = atom("WM_DELETE_WINDOW");
    e.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, tops[0], XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    xcb_flush(c);
  }

  bool running() {
    if (pid <= 0 || exited) return false;
    if (waitpid(pid, &status, WNOHANG) == pid) exited = true;
    return !exited;
  }
  // The exit status, or -1 when it did not end by itself (a signal, or
  // still running after timeoutMs).
  int waitExit(int timeoutMs = 10000) {
    for (int t = 0; t < timeoutMs && running(); t += 20) pause(20);
    if (!exited) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
  }

  // The colour (0xRRGGBB) at (x, y) of view n, its window raised first
  // (the host puts its windows one on the other).
  uint32_t pixel(int x, int y, size_t n = 0) {
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, tops[n], XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(c);
    pause(300);  // exposed, redrawn
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, views[n], static_cast<int16_t>(x), static_cast<int16_t>(y), 1, 1,
                         ~0u),
        nullptr);
    if (!image) return 0;
    uint32_t value = 0;
    std::memcpy(&value, xcb_get_image_data(image), 4);
    free(image);
    return value & 0xFFFFFF;
  }

private:
  std::vector<xcb_window_t> children(xcb_window_t w) {
    std::vector<xcb_window_t> out;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    if (!tree) return out;
    const xcb_window_t* list = xcb_query_tree_children(tree);
    out.assign(list, list + xcb_query_tree_children_length(tree));
    free(tree);
    return out;
  }
  std::vector<xcb_window_t> topLevels() { return children(root); }
  std::pair<int, int> size(xcb_window_t w) {
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    const std::pair<int, int> s = g ? std::make_pair(int(g->width), int(g->height)) : std::make_pair(0, 0);
    free(g);
    return s;
  }
  xcb_atom_t atom(const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    free(r);
    return a;
  }

  pid_t pid = -1;
  int status = 0;
  bool exited = false;
  xcb_connection_t* c = nullptr;
  xcb_window_t root = 0;
  std::vector<xcb_window_t> before, tops, views;
};

class EditorHostTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!fs::exists(editorHostPath())) GTEST_SKIP() << "no SDK editorhost at " << editorHostPath();
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server (DISPLAY)";
    if (KORVANE_BUNDLE_SANITIZED) GTEST_SKIP() << "the bundle is built with sanitizers, editorhost is not";
    fs::create_directories(KORVANE_GUI_SHOTS);
    answerFile = std::string(KORVANE_GUI_SHOTS) + "/editorhost-answer.txt";
    answer("");
  }
  void answer(const std::string& paths) { std::ofstream(answerFile) << paths; }
  // Starts the host; false (with a failure) when its window did not come.
  bool start(SdkEditorHost& host, const std::vector<std::string>& options = {}, size_t views = 1) {
    std::string error;
    if (!host.start(options, answerFile, error)) {
      ADD_FAILURE() << error;
      return false;
    }
    if (!host.waitForViews(views)) {
      ADD_FAILURE() << "no editor window";
      return false;
    }
    return true;
  }

  std::string answerFile;
};

// Clicks, in view coordinates: the mode list and its "3 [Sampler]" entry,
// the sample data menu button and its "Import WAV File" entry.
constexpr int kModeList[2] = {430, 132};
constexpr int kSamplerMode[2] = {400, 207};
constexpr int kSampleMenuButton[2] = {22, 192 + 156};
constexpr int kImportWavEntry[2] = {60, 395};

TEST_F(EditorHostTest, AFileDialogCancelledAndAnsweredTenTimesLeavesTheHostAlive) {
  SdkEditorHost host;
  ASSERT_TRUE(start(host));
  host.click(kModeList[0], kModeList[1]);
  host.click(kSamplerMode[0], kSamplerMode[1]);
  const std::string wav = std::string(KORVANE_WAV_FIXTURE_DIR) + "/pcm16-stereo.wav";
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    for (const std::string& paths : {std::string(), wav}) {
      answer(paths);
      host.click(kSampleMenuButton[0], kSampleMenuButton[1]);
      host.click(kImportWavEntry[0], kImportWavEntry[1]);
      pause(250);  // the dialog ends and is serviced
      ASSERT_TRUE(host.running()) << "editorhost died after a dialog " << (paths.empty() ? "cancelled" : "answered");
    }
  }
  host.closeWindow();
  EXPECT_EQ(host.waitExit(), 0);
}

// Each menu and list of the editor, opened by clicks in view coordinates
// (the sampler page's two after the mode is set to sampler).
struct MenuCase {
  const char* name;
  bool samplerPage;
  int x, y;
};
void PrintTo(const MenuCase& m, std::ostream* out) { *out << m.name; }
class EditorHostMenuTest : public EditorHostTest, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(EditorHostMenuTest, TheHostsWindowClosedWhileAMenuIsOpenTenTimes) {
  const MenuCase& m = GetParam();
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    SdkEditorHost host;
    ASSERT_TRUE(start(host));
    if (m.samplerPage) {
      host.click(kModeList[0], kModeList[1]);
      host.click(kSamplerMode[0], kSamplerMode[1]);
    }
    host.focusHostWindow();
    host.click(m.x, m.y);
    ASSERT_EQ(host.focus(), host.view()) << "the menu is open and took the keyboard focus";
    host.closeWindow();
    EXPECT_EQ(host.waitExit(), 0) << m.name;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryMenu, EditorHostMenuTest,
                         ::testing::Values(MenuCase{"system", false, 22, 60}, MenuCase{"part", false, 22, 108},
                                           MenuCase{"tone", false, 22, 204}, MenuCase{"partList", false, 176, 132},
                                           MenuCase{"modeList", false, 430, 132},
                                           MenuCase{"lfoWaveList", false, 441, 276},
                                           MenuCase{"sampler", true, 22, 204},
                                           MenuCase{"sampleData", true, 22, 192 + 156}),
                         [](const ::testing::TestParamInfo<MenuCase>& info) { return std::string(info.param.name); });

// Two views of one instance: both leave the overlay and show the sound
// data (a value box is light, not the overlay's dark veil).
TEST_F(EditorHostTest, ASecondViewOfTheInstanceShowsTheSoundData) {
  SdkEditorHost host;
  ASSERT_TRUE(start(host, {"--secondWindow"}, 2));
  pause(300);
  for (size_t n = 0; n < 2; ++n) {
    const uint32_t box = host.pixel(120, 160, n);  // inside the pitch bend box of the part block
    const int brightness = ((box >> 16) & 0xFF) + ((box >> 8) & 0xFF) + (box & 0xFF);
    EXPECT_GT(brightness, 3 * 120) << "view " << n << " still under the overlay (" << std::hex << box << ")";
  }
  host.closeWindow();
  EXPECT_EQ(host.waitExit(), 0);
}

}  // namespace
}  // namespace ovri::korvane::test

#pragma once

#include "platform/gui/CView.h"

#include <memory>
#include <string>
#include <vector>

namespace VSTGUI {

class CFrame;

// What the editor behind a frame offers it.
class IPlatformFrameConfig;
class VSTGUIEditorInterface {
public:
  virtual ~VSTGUIEditorInterface() = default;
  virtual CFrame* getFrame() const = 0;
  virtual void beginEdit(int32_t /*index*/) {}
  virtual void endEdit(int32_t /*index*/) {}
  // The platform window settings a frame opened without its own uses.
  virtual IPlatformFrameConfig* getPlatformFrameConfig() { return nullptr; }
};

enum class PlatformType { kDefaultNative, kX11EmbedWindowID, kOffscreen };

// A child process the window backend watches for the file selector.
class IChildProcess {
public:
  virtual ~IChildProcess() = default;
};

// Receives the output and the end of a child process.
class IChildProcessClient {
public:
  virtual ~IChildProcessClient() = default;
  // Everything the process wrote to its standard output, and whether it
  // ended with exit status 0. Not called when the process was killed.
  virtual void childProcessEnded(const std::string& output, bool success) = 0;
  // The process was killed because its window went away.
  virtual void childProcessKilled() = 0;
};

// Where a frame's pixels go and where its input comes from: a window or an
// offscreen image. Made by an IPlatformFrameConfig when the frame opens.
class IPlatformFrame {
public:
  virtual ~IPlatformFrame() = default;
  // Something was invalidated: draw at the next opportunity.
  virtual void scheduleRedraw() = 0;
  // An in-frame menu is open: all pointer input comes to the frame until
  // released. Both may be called more than once.
  virtual void grabPointer() {}
  virtual void releasePointer() {}
  // A text box is being edited: keys come to the frame until released.
  virtual void takeKeyboardFocus() {}
  virtual void releaseKeyboardFocus() {}
  // Runs argv (argv[0] looked up on PATH) with its output read without
  // blocking; the process is killed when the returned object is destroyed.
  // Null when it cannot be run.
  virtual std::unique_ptr<IChildProcess> startChildProcess(const std::vector<std::string>& /*argv*/,
                                                           IChildProcessClient* /*client*/) {
    return nullptr;
  }
  // The first of names found as an executable on PATH, or empty.
  virtual std::string findProgram(const std::vector<std::string>& names);
};

// Makes the platform frame for a frame being opened in parent.
class IPlatformFrameConfig {
public:
  virtual ~IPlatformFrameConfig() = default;
  virtual std::unique_ptr<IPlatformFrame> createPlatformFrame(CFrame* frame, void* parent, PlatformType type) = 0;
};

// The root of a window's views, and the image they are drawn into. Input
// from the platform arrives through the platform... calls in frame
// coordinates; dirty areas collect until the platform asks for them to be
// drawn (drawDirty) and copies the updated areas of the image.
class CFrame : public CViewContainer {
public:
  CFrame(const CRect& size, VSTGUIEditorInterface* editor);
  ~CFrame() override;

  bool open(void* parent, PlatformType type = PlatformType::kDefaultNative, IPlatformFrameConfig* config = nullptr);
  // Closes the platform frame, removes every view and drops the creation
  // reference.
  void close();
  bool isOpen() const { return platformFrame != nullptr; }

  VSTGUIEditorInterface* getEditor() const { return editor; }
  IPlatformFrame* getPlatformFrame() const { return platformFrame.get(); }

  CView* getFocusView() const { return focusView; }
  void setFocusView(CView* view);

  // An in-frame modal view (an open menu) takes all input; null ends it.
  bool setModalView(CView* view);
  CView* getModalView() const { return modalView; }

  void invalidRect(const CRect& rect);
  void invalid() override { invalidRect(CRect(0, 0, getWidth(), getHeight())); }
  bool hasDirtyRects() const { return !dirtyRects.empty(); }

  // Pixels per view unit (1, 1.5 or 2). Changing it redraws everything.
  void setScaleFactor(double factor);
  double getScaleFactor() const { return scaleFactor; }
  FontCache& getFontCache() { return fontCache; }

  // Draws the dirty areas into the image and returns them (frame
  // coordinates, whole pixels); empty when nothing was dirty.
  std::vector<CRect> drawDirty();
  // The image (ARGB32, width and height × scale factor); made on first use.
  cairo_surface_t* getBackBuffer();
  bool writePng(const std::string& path);

  // Input from the platform, frame coordinates.
  CMouseEventResult platformOnMouseDown(CPoint where, const CButtonState& buttons);
  CMouseEventResult platformOnMouseMoved(CPoint where, const CButtonState& buttons);
  CMouseEventResult platformOnMouseUp(CPoint where, const CButtonState& buttons);
  bool platformOnWheel(CPoint where, CMouseWheelAxis axis, float distance, const CButtonState& buttons);
  // 1 used, -1 not.
  int32_t platformOnKeyDown(VstKeyCode key);
  int32_t platformOnKeyUp(VstKeyCode key);

private:
  void drawArea(const CRect& area);

  VSTGUIEditorInterface* editor;
  std::unique_ptr<IPlatformFrame> platformFrame;
  CView* focusView = nullptr;
  CView* modalView = nullptr;
  std::vector<CRect> dirtyRects;
  double scaleFactor = 1.0;
  cairo_surface_t* backBuffer = nullptr;
  FontCache fontCache;
};

}  // namespace VSTGUI

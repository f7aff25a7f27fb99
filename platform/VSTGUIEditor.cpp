#include "platform/VSTGUIEditor.h"

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <string>

namespace Steinberg::Vst {

namespace {

// The bitmaps and fonts are in the bundle's Contents/Resources, beside the
// folder of the file this code was loaded from (Contents/x86_64-linux/).
void findResources() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&findResources), &info) == 0 || !info.dli_fname) return;
  const std::string file = info.dli_fname;
  const auto slash = file.rfind('/');
  if (slash != std::string::npos) VSTGUI::setResourceFolder(file.substr(0, slash + 1) + "../Resources/");
}

}  // namespace

VSTGUIEditor::VSTGUIEditor(EditController* controller, ViewRect* size) : EditorView(controller, size) {
  unscaledSize = size ? *size : ViewRect(0, 0, 0, 0);
  setRect(unscaledSize);
  if (VSTGUI::getResourceFolder().empty()) findResources();
}

VSTGUIEditor::~VSTGUIEditor() {
  if (idleTimer) idleTimer->forget();
  dropRunLoop();
}

void VSTGUIEditor::setIdleRate(int32 milliseconds) {
  if (!idleTimer) idleTimer = new VSTGUI::CVSTGUITimer(this, static_cast<uint32_t>(milliseconds));
  idleTimer->stop();
  idleTimer->setFireTime(static_cast<uint32_t>(milliseconds));
  if (frame) idleTimer->start();
}

// Control tags are not parameter ids: a control's edit gestures are not
// passed on to the host (an editor that moves parameters calls the
// controller's beginEdit/performEdit/endEdit itself).
void VSTGUIEditor::beginEdit(int32_t) {}

void VSTGUIEditor::endEdit(int32_t) {}

VSTGUI::CMessageResult VSTGUIEditor::notify(VSTGUI::CBaseObject* sender, VSTGUI::IdStringPtr message) {
  if (sender == idleTimer && message == VSTGUI::CVSTGUITimer::kMsgTimer) return VSTGUI::kMessageNotified;
  return VSTGUI::kMessageUnknown;
}

tresult PLUGIN_API VSTGUIEditor::isPlatformTypeSupported(FIDString type) {
  return type && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue : kResultFalse;
}

void VSTGUIEditor::dropRunLoop() {
  if (runLoop) runLoop->release();
  runLoop = nullptr;
  platformConfig.reset();
}

tresult PLUGIN_API VSTGUIEditor::attached(void* parent, FIDString type) {
  if (frame || isAttached() || !parent) return kResultFalse;
  if (isPlatformTypeSupported(type) != kResultTrue) return kInvalidArgument;
  // The run loop: from the plug frame, else from the host context.
  Linux::IRunLoop* loop = nullptr;
  if (plugFrame) plugFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop));
  if (!loop && controller && controller->getHostContext())
    controller->getHostContext()->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop));
  if (!loop) return kResultFalse;
  runLoop = loop;  // the reference queryInterface gave us
  platformConfig = std::make_unique<VSTGUI::X11FrameConfig>(runLoop);
  if (!open(parent, VSTGUI::PlatformType::kX11EmbedWindowID) || !frame || !frame->isOpen()) {
    if (frame) close();
    frame = nullptr;
    dropRunLoop();
    return kResultFalse;
  }
  if (scaleFactor != 1.0) {
    frame->setScaleFactor(scaleFactor);
    if (auto* window = dynamic_cast<VSTGUI::X11PlatformFrameAccess*>(frame->getPlatformFrame()))
      window->resizeWindow(scaleFactor);
  }
  if (idleTimer) idleTimer->start();
  return EditorView::attached(parent, type);
}

tresult PLUGIN_API VSTGUIEditor::removed() {
  if (idleTimer) idleTimer->stop();
  if (frame) {
    // The derived editor releases the frame: its window unregisters from
    // the run loop, is destroyed, and the connection closes.
    close();
    frame = nullptr;
  }
  dropRunLoop();
  if (!isAttached()) return kResultFalse;
  return EditorView::removed();
}

tresult PLUGIN_API VSTGUIEditor::onKeyDown(char16 key, int16 keyCode, int16 modifiers) {
  if (!frame) return kResultFalse;
  VSTGUI::VstKeyCode code;
  code.character = key;
  code.virt = static_cast<uint8_t>(keyCode);
  code.modifier = static_cast<uint8_t>(modifiers);
  return frame->platformOnKeyDown(code) == 1 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API VSTGUIEditor::onKeyUp(char16 key, int16 keyCode, int16 modifiers) {
  if (!frame) return kResultFalse;
  VSTGUI::VstKeyCode code;
  code.character = key;
  code.virt = static_cast<uint8_t>(keyCode);
  code.modifier = static_cast<uint8_t>(modifiers);
  return frame->platformOnKeyUp(code) == 1 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API VSTGUIEditor::onWheel(float) {
  // Wheel turns come from our own window with the pointer's position.
  return kResultFalse;
}

ViewRect VSTGUIEditor::scaledSize() const {
  return ViewRect(0, 0, static_cast<int32>(std::ceil(unscaledSize.getWidth() * scaleFactor)),
                  static_cast<int32>(std::ceil(unscaledSize.getHeight() * scaleFactor)));
}

tresult PLUGIN_API VSTGUIEditor::getSize(ViewRect* size) {
  if (!size) return kInvalidArgument;
  *size = scaledSize();
  return kResultTrue;
}

tresult PLUGIN_API VSTGUIEditor::onSize(ViewRect* newSize) {
  if (!newSize) return kInvalidArgument;
  const ViewRect fixed = scaledSize();
  return newSize->getWidth() == fixed.getWidth() && newSize->getHeight() == fixed.getHeight() ? kResultTrue
                                                                                               : kResultFalse;
}

tresult PLUGIN_API VSTGUIEditor::checkSizeConstraint(ViewRect* rect) {
  if (!rect) return kInvalidArgument;
  const ViewRect fixed = scaledSize();
  rect->right = rect->left + fixed.getWidth();
  rect->bottom = rect->top + fixed.getHeight();
  return kResultTrue;
}

tresult PLUGIN_API VSTGUIEditor::onFocus(TBool state) {
  // Losing the focus ends the editing of a text box (it commits).
  if (!state && frame) frame->setFocusView(nullptr);
  return kResultTrue;
}

tresult PLUGIN_API VSTGUIEditor::setFrame(IPlugFrame* plug) {
  // plugFrame is not counted (the host owns it); the run loop found from
  // it is, so a host that clears the frame before removed() is fine.
  plugFrame = plug;
  return kResultTrue;
}

tresult PLUGIN_API VSTGUIEditor::setContentScaleFactor(ScaleFactor factor) {
  const double wanted = factor < 1.25 ? 1.0 : factor < 1.75 ? 1.5 : 2.0;
  if (wanted == scaleFactor) return kResultTrue;
  scaleFactor = wanted;
  setRect(scaledSize());
  if (frame) {
    frame->setScaleFactor(scaleFactor);
    if (auto* window = dynamic_cast<VSTGUI::X11PlatformFrameAccess*>(frame->getPlatformFrame()))
      window->resizeWindow(scaleFactor);
  }
  if (plugFrame) {
    ViewRect r = scaledSize();
    plugFrame->resizeView(this, &r);
  }
  return kResultTrue;
}

}  // namespace Steinberg::Vst

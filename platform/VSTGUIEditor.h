#pragma once

#include "platform/gui/vstgui.h"
#include "platform/gui/x11/X11Frame.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

#include <memory>

namespace Steinberg::Vst {

// The base of a plug-in's editor view on Linux. The host embeds it in an
// X11 window (platform type "X11EmbedWindowID") and drives it through its
// IRunLoop, found on the IPlugFrame or the host context; without one the
// view cannot open. A derived editor builds its frame in open(), opening it
// in the parent it is given, and releases it in close(); the frame gets
// its window, run-loop registration and content scale from this class.
// The view's size is fixed: the frame's size times the content scale.
class VSTGUIEditor : public EditorView,
                     public VSTGUI::VSTGUIEditorInterface,
                     public VSTGUI::CBaseObject,
                     public IPlugViewContentScaleSupport {
public:
  VSTGUIEditor(EditController* controller, ViewRect* size = nullptr);
  ~VSTGUIEditor() override;

  // Builds and opens the frame in parent; false if it cannot.
  virtual bool open(void* parent, const VSTGUI::PlatformType& type = VSTGUI::PlatformType::kDefaultNative) = 0;
  virtual void close() = 0;

  // The editor is notified with CVSTGUITimer::kMsgTimer this often.
  void setIdleRate(int32 milliseconds);
  double getContentScaleFactor() const { return scaleFactor; }

  // VSTGUIEditorInterface
  VSTGUI::CFrame* getFrame() const override { return frame; }
  void beginEdit(int32_t index) override;
  void endEdit(int32_t index) override;
  VSTGUI::IPlatformFrameConfig* getPlatformFrameConfig() override { return platformConfig.get(); }

  // CBaseObject: the timer message lets the frame idle; nothing else is
  // known here.
  VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, VSTGUI::IdStringPtr message) override;
  // One reference count: the host's.
  void remember() override { addRef(); }
  void forget() override { release(); }

  // IPlugView
  tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override;
  tresult PLUGIN_API attached(void* parent, FIDString type) override;
  tresult PLUGIN_API removed() override;
  tresult PLUGIN_API onKeyDown(char16 key, int16 keyCode, int16 modifiers) override;
  tresult PLUGIN_API onKeyUp(char16 key, int16 keyCode, int16 modifiers) override;
  tresult PLUGIN_API onWheel(float distance) override;
  tresult PLUGIN_API getSize(ViewRect* size) override;
  tresult PLUGIN_API onSize(ViewRect* newSize) override;
  tresult PLUGIN_API canResize() override { return kResultFalse; }
  tresult PLUGIN_API checkSizeConstraint(ViewRect* rect) override;
  tresult PLUGIN_API onFocus(TBool state) override;
  tresult PLUGIN_API setFrame(IPlugFrame* frame) override;

  // IPlugViewContentScaleSupport: 1, 1.5 or 2 (others are rounded to one
  // of them).
  tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

  OBJ_METHODS(VSTGUIEditor, EditorView)
  DEFINE_INTERFACES
    DEF_INTERFACE(IPlugViewContentScaleSupport)
  END_DEFINE_INTERFACES(EditorView)
  REFCOUNT_METHODS(EditorView)

protected:
  VSTGUI::CFrame* frame = nullptr;

private:
  ViewRect scaledSize() const;
  void dropRunLoop();

  ViewRect unscaledSize;
  double scaleFactor = 1.0;
  Linux::IRunLoop* runLoop = nullptr;  // our own reference, kept until removed()
  std::unique_ptr<VSTGUI::X11FrameConfig> platformConfig;
  VSTGUI::CVSTGUITimer* idleTimer = nullptr;
};

}  // namespace Steinberg::Vst

#pragma once

#include "platform/VSTGUIEditor.h"
#include "tests/support/Gallery.h"

#include <memory>

namespace ovri::korvane::test {

// A plug-in view showing the gallery: what an editor built on the view
// base does, without the engine.
class GalleryEditor : public Steinberg::Vst::VSTGUIEditor {
public:
  explicit GalleryEditor(VSTGUI::IControlListener* listener, Steinberg::Vst::EditController* controller = nullptr)
      : VSTGUIEditor(controller, &initialSize()), listener(listener) {}

  bool open(void* parent, const VSTGUI::PlatformType& type) override {
    if (frame) return false;
    gallery = std::make_unique<Gallery>(listener, this);
    frame = gallery->frame;
    ++opens;
    return frame->open(parent, type);
  }
  void close() override {
    gallery.reset();
    frame = nullptr;
  }
  Gallery* getGallery() const { return gallery.get(); }
  int opens = 0;

private:
  static Steinberg::ViewRect& initialSize() {
    static Steinberg::ViewRect size(0, 0, 784, 632);
    return size;
  }
  VSTGUI::IControlListener* listener;
  std::unique_ptr<Gallery> gallery;
};

}  // namespace ovri::korvane::test

// The editor's life cycle: the frame opened and closed, the timer that
// refreshes the view, and the status line. The rest of the class is in the
// files beside this one: EditorLayout (the pages), EditorFactories (the
// controls), EditorControls (the user's input), EditorMenus (the pop-ups),
// EditorRefresh (refreshes and echoes), EditorMessages (to and from the
// processor) and EditorDialogs (file choosers).
#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EngineView.h"

namespace Steinberg::Vst {

using namespace VSTGUI;
using ovri::korvane::EngineView;

KorvaneVSTGUIEditor::KorvaneVSTGUIEditor(EditController* controller)
    : VSTGUIEditor(controller, [] {
        static ViewRect size(0, 0, kWidth, kHeight);
        return &size;
      }()) {}

KorvaneVSTGUIEditor::~KorvaneVSTGUIEditor() {
  if (frame) close();
}

// ---- life cycle ----------------------------------------------------------

bool KorvaneVSTGUIEditor::open(void* parent, const PlatformType& type) {
  if (frame) return false;
  frame = new CFrame(CRect(0, 0, kWidth, kHeight), this);
  buildView();
  IPlatformFrameConfig* config = type == PlatformType::kOffscreen ? offscreenConfig : nullptr;
  if (!frame->open(parent, type, config)) {
    close();
    return false;
  }
  setIdleRate(kRefreshMs);
  sendEditorOpened();
  return true;
}

void KorvaneVSTGUIEditor::close() {
  pendingFileTag = 0;
  openSelector = nullptr;
  statusLine = nullptr;
  statusTicksLeft = 0;
  for (COptionMenu*& menu : menus) {
    if (menu) menu->forget();
    menu = nullptr;
  }
  if (frame) frame->close();
  frame = nullptr;
  controls.clear();
  topView = pageAreaView = tonePageView = samplerPageView = aboutView = nullptr;
  framesLabel = channelsLabel = loopLabel = nullptr;
}

CMessageResult KorvaneVSTGUIEditor::notify(CBaseObject* sender, IdStringPtr message) {
  if (message == CVSTGUITimer::kMsgTimer) {
    tick();
    return VSTGUIEditor::notify(sender, message);
  }
  if (message == CNewFileSelector::kSelectEndMessage) {
    if (auto* selector = dynamic_cast<CNewFileSelector*>(sender)) {
      fileDialogEnded(selector);
      return kMessageNotified;
    }
  }
  return VSTGUIEditor::notify(sender, message);
}

void KorvaneVSTGUIEditor::tick() {
  EngineView* host = engineHost();
  if (!host || !frame) return;
  {
    auto lock = host->lockMain();
    host->synchronize();
    refreshAll(*host);
  }
  if (fullRefreshPending && aboutView) aboutView->setVisible(false);
  fullRefreshPending = false;
  if (statusTicksLeft > 0 && --statusTicksLeft == 0 && statusLine) statusLine->setVisible(false);
}

std::string KorvaneVSTGUIEditor::statusText() const {
  return statusLine && statusLine->isVisible() ? statusLine->getText() : std::string();
}

void KorvaneVSTGUIEditor::showStatus(const std::string& text) {
  if (!statusLine) return;
  statusLine->setText(text);
  statusLine->setVisible(true);
  statusLine->invalid();
  statusTicksLeft = kStatusTicks;
}

}  // namespace Steinberg::Vst

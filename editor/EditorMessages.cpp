// The messages between the editor and the processor: what the editor sends
// through its controller, and the controller's relays of the processor's
// messages (the engine host's address, refresh requests, file results).
#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EditorProtocol.h"
#include "plugin/EngineView.h"
#include "plugin/FileActions.h"
#include "pluginterfaces/vst/ivstmessage.h"

namespace Steinberg::Vst {

namespace msg = ovri::korvane::protocol::message;
namespace key = ovri::korvane::protocol::attribute;
using ovri::korvane::EngineView;

void KorvaneVSTGUIEditor::sendEditorOpened() {
  if (!controller) return;
  IMessage* message = controller->allocateMessage();
  if (!message) return;
  message->setMessageID(msg::kEditorOpened);
  controller->sendMessage(message);
  message->release();
}

namespace {

// A message with attributes: set by fill, then sent through the controller.
template <typename Fill> void sendWithAttributes(EditController* controller, const char* id, Fill&& fill) {
  if (!controller) return;
  IMessage* message = controller->allocateMessage();
  if (!message) return;
  message->setMessageID(id);
  if (IAttributeList* attributes = message->getAttributes()) fill(*attributes);
  controller->sendMessage(message);
  message->release();
}

}  // namespace

void KorvaneVSTGUIEditor::sendValueChange(int32_t valueTag, float value) {
  sendWithAttributes(controller, msg::kValueChange, [&](IAttributeList& attributes) {
    attributes.setInt(key::kTag, valueTag);
    attributes.setFloat(key::kValue, value);
  });
}

void KorvaneVSTGUIEditor::sendFileSelect(int32_t fileTag, const std::string& path) {
  sendWithAttributes(controller, msg::kFileSelect, [&](IAttributeList& attributes) {
    attributes.setInt(key::kTag, fileTag);
    attributes.setBinary(key::kPath, path.c_str(), static_cast<uint32>(path.size() + 1));
  });
}

// ---- relays of the processor's messages ---------------------------------

EngineView* KorvaneVSTGUIEditor::engineHost() {
  if (engine && EngineView::liveSerial(engine) != engineSerial) engine = nullptr;
  return engine;
}

void KorvaneVSTGUIEditor::setEngineHost(EngineView* host) {
  engine = host;
  engineSerial = host ? EngineView::liveSerial(host) : 0;
  if (engineSerial == 0) engine = nullptr;
  if (engine) requestFullRefresh();
}

void KorvaneVSTGUIEditor::requestFullRefresh() {
  if (engineHost()) fullRefreshPending = true;
}

void KorvaneVSTGUIEditor::fileActionAnswered(int32_t fileTag, const std::string& path, int32_t outcome,
                                             int32_t count, const std::string& reason) {
  if (!frame) return;
  namespace fa = ovri::korvane::plugin;
  showStatus(fa::describeFileAction(fileTag, path, static_cast<fa::FileOutcome>(outcome), count, reason));
}

}  // namespace Steinberg::Vst

#pragma once

#include "platform/VSTGUIEditor.h"
#include "platform/gui/vstgui.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane {
class EngineView;
namespace plugin {
struct PageItem;
}
}  // namespace ovri::korvane

namespace Steinberg::Vst {

// A horizontal slider that also turns on ordinary (vertical-axis) wheel
// motion: one step of distance d moves the value by d × the wheel increment.
class CHorizontalSliderExt : public VSTGUI::CHorizontalSlider {
public:
  using CHorizontalSlider::CHorizontalSlider;
  bool onWheel(const VSTGUI::CPoint& where, const VSTGUI::CMouseWheelAxis& axis, const float& distance,
               const VSTGUI::CButtonState& buttons) override;
  VSTGUI::CView* newCopy() const override { return new CHorizontalSliderExt(*this); }
};

// The plug-in window: a top area with the system and part controls, a page
// area with the tone page and the sampler page (one visible, by the selected
// part's mode), and the about overlay that covers everything until the
// processor has told the editor where its engine host is.
//
// Control tags: bit 28 marks a value control, bit 29 a numeric text box;
// the low 16 bits are the value tag (page << 8 | item). Item 0x00 of a page
// is its menu button, 0x80 its pop-up menu, whose entries are 0x81, 0x82...
// Page 0x80 is the editor's own (logo buttons).
//
// Reading the engine host. The editor reads only the host's main-thread
// model, under the host's main lock, and only from its own timer and from
// the user's input. The processor holds that lock while it answers, so the
// controller's relays (echoes, refresh requests) never read the model: they
// move controls by the value they carry, and what needs the model waits for
// the next 33 ms tick. The address is checked against the hosts alive before
// every use: once the processor is terminated the editor stops reading.
class KorvaneVSTGUIEditor : public VSTGUIEditor, public VSTGUI::IControlListener {
public:
  static constexpr int32_t kValueControl = 0x10000000;
  static constexpr int32_t kNumericBox = 0x20000000;
  static constexpr int32_t kAboutPage = 0x8000;
  static constexpr int32_t kWidth = 784;
  static constexpr int32_t kHeight = 632;
  static constexpr int32_t kRefreshMs = 33;

  explicit KorvaneVSTGUIEditor(EditController* controller);
  ~KorvaneVSTGUIEditor() override;

  bool open(void* parent, const VSTGUI::PlatformType& type = VSTGUI::PlatformType::kDefaultNative) override;
  void close() override;
  VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, VSTGUI::IdStringPtr message) override;
  void valueChanged(VSTGUI::CControl* control) override;

  // The controller's relays of the processor's messages.
  void setEngineHost(ovri::korvane::EngineView* host);
  // A full refresh and the overlay hidden, at the next tick.
  void requestFullRefresh();
  // An echo: the controls of one value tag show x.
  void updateByTag(int32_t tag, double x);
  // The processor's answer to a file action: the status line says what
  // happened (see plugin/FileActions.h for the outcome and count).
  void fileActionAnswered(int32_t fileTag, const std::string& path, int32_t outcome, int32_t count,
                          const std::string& reason);

  // The host while it is alive (null before "Processor:openGUI" and after
  // the processor was terminated).
  ovri::korvane::EngineView* engineHost();
  // Runs what one timer tick runs (tests drive it without a clock).
  void tick();

  // For tests: the control or menu bearing a control tag (the first made).
  VSTGUI::CControl* findControl(int32_t controlTag) const;
  VSTGUI::COptionMenu* popupMenu(int32_t controlTag) const;
  VSTGUI::CViewContainer* tonePage() const { return tonePageView; }
  VSTGUI::CViewContainer* samplerPage() const { return samplerPageView; }
  VSTGUI::CViewContainer* aboutOverlay() const { return aboutView; }
  VSTGUI::CTextLabel* frameCountLabel() const { return framesLabel; }
  VSTGUI::CTextLabel* channelCountLabel() const { return channelsLabel; }
  VSTGUI::CTextLabel* loopableLabel() const { return loopLabel; }
  int32_t getPendingFileTag() const { return pendingFileTag; }
  // The status line in the title strip: its text while it is shown, else
  // empty.
  std::string statusText() const;
  // Shows text in the status line for kStatusTicks timer ticks.
  void showStatus(const std::string& text);
  static constexpr int32_t kStatusTicks = 4000 / kRefreshMs;
  // The platform config a frame opened offscreen uses (tests set it).
  void setOffscreenConfig(VSTGUI::IPlatformFrameConfig* config) { offscreenConfig = config; }

  // Text readings of the numeric boxes: the normalised value a committed
  // text sends under a value tag (raw numbers for the sample data block).
  static float textBoxValue(int32_t valueTag, const char* text);
  // The gain in dB in its shortest exact form (valueText), or "inf" for 0.
  static std::string decibelText(double gain);
  // The shortest decimal form, up to six decimals, that reads back as the
  // same single-precision value as v: 440, -1.9382, 479.95.
  static std::string valueText(double v);
  static std::string toneNumberText(int32_t tone);

private:
  // One control of a page layout (EditorLayout.cpp).
  struct Placed;
  enum MenuIndex { kSystemMenu, kPolyphonyMenu, kPartMenu, kOutputMenu, kToneMenu, kSamplerMenu, kSampleMenu,
                   kMenuCount };
  // A page's pop-up (its menu button is item 0x00, the pop-up item 0x80)
  // and where it opens.
  struct PageMenu {
    int32_t page;
    MenuIndex menu;
    VSTGUI::CPoint anchor;
  };
  static const PageMenu* pageMenu(int32_t page);

  // Factories.
  CHorizontalSliderExt* makeSlider(VSTGUI::CViewContainer* parent, int32_t tag, int x, int y, int w, int c, int max);
  VSTGUI::CTextEdit* makeTextBox(VSTGUI::CViewContainer* parent, int32_t tag, int x, int y, int w, int c,
                                 const char* text);
  VSTGUI::COptionMenu* makeOptionMenu(VSTGUI::CViewContainer* parent, int32_t tag, int x, int y, int w, int c,
                                      const char* const* entries, int count);
  VSTGUI::CTextLabel* makeLabel(VSTGUI::CViewContainer* parent, int x, int y, int w, int c, const char* text);
  VSTGUI::CKickButton* makeKickButton(VSTGUI::CViewContainer* parent, int32_t tag, int x, int y, int w, int h,
                                      const char* bitmap);
  VSTGUI::CMovieBitmap* makeMovieBitmap(VSTGUI::CViewContainer* parent, int32_t tag, int x, int y, int w, int h,
                                        int frames, const char* bitmap);
  VSTGUI::COptionMenu* makePopupMenu(int32_t tag, const char* const* entries, int count, int32_t style);
  void keep(VSTGUI::CControl* control);
  void place(VSTGUI::CViewContainer* parent, const Placed& placed);
  void placePresetHeader(VSTGUI::CViewContainer* page, int32_t pageTag, int nameX);

  void buildView();
  void buildTopArea(VSTGUI::CViewContainer* top);
  void buildTonePage(VSTGUI::CViewContainer* page);
  void buildSamplerPage(VSTGUI::CViewContainer* page);
  void buildAboutOverlay(VSTGUI::CViewContainer* overlay);

  // Dispatch.
  void onTextBoxCommit(VSTGUI::CControl* control);
  // The status line's answer to a text that is no number (false then).
  bool acceptNumber(int32_t valueTag, const std::string& text);
  // What the status line calls the value of a tag.
  static std::string captionOf(int32_t valueTag);
  void onMenuChoice(int32_t page);
  void storePresetName(VSTGUI::CTextEdit* box, bool tone);
  // A preset name as the record holds it, up to its terminating zero.
  static std::string nameOf(const char* name);
  void popup(MenuIndex menu, VSTGUI::CPoint anchor);
  // The host parameter a part item mirrors follows the control (nothing
  // for the others).
  void performPartEdit(const ovri::korvane::plugin::PageItem& item, float v);
  int32_t selectedPart();

  void sendEditorOpened();
  void sendValueChange(int32_t valueTag, float value);
  void sendFileSelect(int32_t fileTag, const std::string& path);

  // Dialogs.
  void openImportDialog(int32_t fileTag);
  void openExportDialog(int32_t fileTag);
  void fileDialogEnded(VSTGUI::CNewFileSelector* selector);
  bool dialogAllowed();
  void runDialog(VSTGUI::CNewFileSelector* selector, int32_t fileTag);

  // Refresh (the caller holds the host's main lock).
  void refreshAll(ovri::korvane::EngineView& host);
  void refreshSystem(ovri::korvane::EngineView& host);
  void refreshPart(ovri::korvane::EngineView& host);
  void showPageForMode(int32_t mode);
  void refreshTone(ovri::korvane::EngineView& host);
  void refreshSamplerPreset(ovri::korvane::EngineView& host);
  void refreshSampleData(ovri::korvane::EngineView& host);
  // Every item of a page that the model holds, from the model.
  void refreshItems(ovri::korvane::EngineView& host, int32_t page);
  // An item's controls: its value (normalized) in its slider or menu, its
  // plain value in its box.
  void showItem(const ovri::korvane::plugin::PageItem& item, double plain, double normalized, bool evenIfFocused);
  // The pop-up that shows a value tag (a check mark, a sub-menu's value)
  // shows it; false for a tag no pop-up shows.
  bool showInMenu(int32_t valueTag, double normalized);
  void setBoxText(int32_t controlTag, const std::string& text, bool evenIfFocused = false);
  void setValue(int32_t controlTag, float normalized);
  bool focused(const VSTGUI::CView* view) const;

  ovri::korvane::EngineView* engine = nullptr;
  uint64_t engineSerial = 0;
  bool fullRefreshPending = false;
  VSTGUI::CViewContainer* topView = nullptr;
  VSTGUI::CViewContainer* pageAreaView = nullptr;
  VSTGUI::CViewContainer* tonePageView = nullptr;
  VSTGUI::CViewContainer* samplerPageView = nullptr;
  VSTGUI::CViewContainer* aboutView = nullptr;
  VSTGUI::CTextLabel* framesLabel = nullptr;
  VSTGUI::CTextLabel* channelsLabel = nullptr;
  VSTGUI::CTextLabel* loopLabel = nullptr;
  VSTGUI::COptionMenu* menus[kMenuCount] = {};
  // Every control by position of creation (owned by the containers).
  std::vector<VSTGUI::CControl*> controls;
  // The file dialog now open and its action: one at a time per editor, and
  // only its own answer is taken.
  int32_t pendingFileTag = 0;
  VSTGUI::SharedPointer<VSTGUI::CNewFileSelector> openSelector;
  VSTGUI::CTextLabel* statusLine = nullptr;
  // A play or loop point being sent: its tag and the number typed.
  struct TypedPoint {
    int32_t tag = 0;
    long value = 0;
  } typedPoint;
  int32_t statusTicksLeft = 0;
  VSTGUI::IPlatformFrameConfig* offscreenConfig = nullptr;
};

}  // namespace Steinberg::Vst

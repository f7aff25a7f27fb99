// The file dialogs: one at a time, and a confirmed choice becomes a
// "GUIEditor:kvFileSelect" message for the dialog's file action.
#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EditorProtocol.h"
#include "plugin/EngineView.h"
#include "tonegen/SoundData.h"

#include <cstddef>
#include <utility>

namespace Steinberg::Vst {

using namespace VSTGUI;
namespace files = ovri::korvane::protocol::fileactions;
namespace synth = ovri::korvane::synth;
using ovri::korvane::EngineView;

namespace {
struct ImportDialog {
  int32_t tag;
  const char* title;
  bool sampleParameters;  // its third filter says "csv files"
  bool wav;
};
constexpr ImportDialog kImports[] = {
    {files::kImportTones, "Import TonePreset Parameters File", false, false},
    {files::kImportSamplerPresets, "Import SamplerPreset Parameters File", false, false},
    {files::kImportSampleParameters, "Import SampleData Paarmeters File", true, false},
    {files::kImportWavPcm, "Import WAV File", false, true},
    {files::kImportWavDpcm, "Import WAV File", false, true},
    {files::kImportWavAdpcm, "Import WAV File", false, true},
};
struct ExportDialog {
  int32_t tag;
  const char* title;
  const char* defaultName;
};
constexpr ExportDialog kExports[] = {
    {files::kExportTones, "Export TonePreset Parameters File", "TonePresets.txt"},
    {files::kExportSamplerPresets, "Export SamplerPreset Parameters File", "SamplerPresets.txt"},
    {files::kExportToneSysEx, "Export TonePreset SystemExclusives", "TonePresetSysEx.txt"},
    {files::kExportSamplerSysEx, "Export SamplerPreset SystemExclusives", "SamplerPresetSysEx.txt"},
    {files::kExportSampleParameters, "Export SampleData Parameters File", "SampleDataParameters.txt"},
};

// The dialog of a file action, null for an action without one.
template <typename Dialog, std::size_t N> const Dialog* dialogFor(const Dialog (&dialogs)[N], int32_t fileTag) {
  for (const Dialog& d : dialogs)
    if (d.tag == fileTag) return &d;
  return nullptr;
}
}  // namespace

// Only one file dialog is open at a time: while one is up, asking for
// another says so in the status line, so that an answer always belongs to
// the action of the dialog it came from.
bool KorvaneVSTGUIEditor::dialogAllowed() {
  if (!frame) return false;
  if (pendingFileTag == 0) return true;
  showStatus("A file dialog is already open");
  return false;
}

void KorvaneVSTGUIEditor::runDialog(CNewFileSelector* selector, int32_t fileTag) {
  pendingFileTag = fileTag;
  openSelector = selector;
  frame->setFocusView(nullptr);
  if (!selector->run(this)) {
    pendingFileTag = 0;
    openSelector = nullptr;
  }
  selector->forget();
}

void KorvaneVSTGUIEditor::openImportDialog(int32_t fileTag) {
  const ImportDialog* dialog = dialogFor(kImports, fileTag);
  if (!dialog || !dialogAllowed()) return;
  CNewFileSelector* selector = CNewFileSelector::create(frame, CNewFileSelector::kSelectFile);
  if (!selector) return;
  selector->setAllowMultiFileSelection(dialog->wav);
  selector->setTitle(dialog->title);
  if (dialog->wav) {
    selector->addFileExtension(CFileExtension("WAV Files(.wav)", "wav"));
  } else {
    // Opens on the files the plug-in reads and writes itself.
    selector->addFileExtension(CFileExtension("preset files(.kvx, .txt)", "kvx txt"));
    selector->addFileExtension(CFileExtension("kvx files(.kvx)", "kvx"));
    selector->addFileExtension(CFileExtension("text files(.txt)", "txt"));
    selector->addFileExtension(CFileExtension(dialog->sampleParameters ? "csv files(.csv)" : "text files(.csv)", "csv"));
  }
  selector->addFileExtension(CFileExtension("All files", "*"));
  runDialog(selector, fileTag);
}

void KorvaneVSTGUIEditor::openExportDialog(int32_t fileTag) {
  const ExportDialog* dialog = dialogFor(kExports, fileTag);
  if (!dialog || !dialogAllowed()) return;
  CNewFileSelector* selector = CNewFileSelector::create(frame, CNewFileSelector::kSelectSaveFile);
  if (!selector) return;
  selector->setTitle(dialog->title);
  selector->addFileExtension(CFileExtension("text file(.txt)", "txt"));
  selector->addFileExtension(CFileExtension("All files", "*"));
  selector->setDefaultSaveName(dialog->defaultName);
  runDialog(selector, fileTag);
}

void KorvaneVSTGUIEditor::fileDialogEnded(CNewFileSelector* selector) {
  if (selector != openSelector.get()) return;  // not the dialog now open
  const int32_t fileTag = std::exchange(pendingFileTag, 0);
  openSelector = nullptr;
  const uint32_t count = selector->getNumSelectedFiles();
  EngineView* host = engineHost();
  if (count > 0 && host) {
    if (fileTag & 0x2000) {
      int32_t slot = 0;
      {
        auto lock = host->lockMain();
        slot = host->selection().sample;
      }
      for (uint32_t j = 0; j < count && slot < synth::kSampleSlotCount; ++j, ++slot)
        sendFileSelect(fileTag | slot, selector->getSelectedFile(j));
    } else if (fileTag & 0x1000) {
      sendFileSelect(fileTag, selector->getSelectedFile(0));
    }
  }
}

}  // namespace Steinberg::Vst

#include "plugin/FileActions.h"

#include "formats/SampleDataParameterText.h"
#include "formats/SamplerPresetText.h"
#include "formats/SysExText.h"
#include "formats/TextFile.h"
#include "formats/TonePresetText.h"
#include "sampleimport/SampleImport.h"

#include <bitset>
#include <filesystem>
#include <memory>
#include <vector>

namespace ovri::korvane::plugin {

namespace {

using namespace synth;

// Text imports: the file is read and parsed, the records applied to the
// model, and the records that changed are handed to the engine in one
// update.
void importText(EngineHost& host, int32_t action, const std::string& path) {
  const std::optional<std::string> text = formats::readTextFile(path);
  if (!text) return;
  host.synchronize();
  SoundModel& m = host.model;
  auto update = std::make_unique<RecordUpdate>();
  switch (action) {
    case fileactions::kImportTones: {
      std::bitset<kToneCount> touched;
      for (const auto& r : formats::parseTonePresets(*text)) {
        formats::applyTonePreset(r, m.tones[r.slot & (kToneCount - 1)]);
        touched.set(static_cast<size_t>(r.slot & (kToneCount - 1)));
      }
      for (int32_t i = 0; i < kToneCount; ++i)
        if (touched.test(static_cast<size_t>(i))) update->tones.emplace_back(i, m.tones[i]);
      break;
    }
    case fileactions::kImportSamplerPresets: {
      std::bitset<kSamplerPresetCount> touched;
      for (const auto& r : formats::parseSamplerPresets(*text)) {
        formats::applySamplerPreset(r, m.samplers[r.slot & (kSamplerPresetCount - 1)]);
        touched.set(static_cast<size_t>(r.slot & (kSamplerPresetCount - 1)));
      }
      update->stopVoices = true;
      for (int32_t i = 0; i < kSamplerPresetCount; ++i)
        if (touched.test(static_cast<size_t>(i))) update->samplers.emplace_back(i, m.samplers[i]);
      break;
    }
    default: {
      std::bitset<kSampleSlotCount> touched;
      SampleData record;
      for (const auto& r : formats::parseSampleDataParameters(*text)) {
        if (r.slot < 0 || r.slot >= kSampleSlotCount) continue;
        SampleParameters& slot = m.slots[r.slot];
        slot.toRecord(record);
        formats::applySampleDataParameters(r, record);
        slot = SampleParameters::of(record);
        slot.length = record.length;  // the record holds no values, the slot does
        touched.set(static_cast<size_t>(r.slot));
      }
      for (int32_t i = 0; i < kSampleSlotCount; ++i)
        if (touched.test(static_cast<size_t>(i))) update->slots.emplace_back(i, m.slots[i]);
      break;
    }
  }
  host.submitRecords(std::move(update));
}

// Exports write the model.
void exportText(EngineHost& host, int32_t action, const std::string& path) {
  host.synchronize();
  const SoundModel& m = host.model;
  std::string text;
  switch (action) {
    case fileactions::kExportTones:
      text = formats::writeTonePresets(m.tones);
      break;
    case fileactions::kExportToneSysEx:
      text = formats::writeToneSysExText(m.tones);
      break;
    case fileactions::kExportSamplerPresets:
      text = formats::writeSamplerPresets(m.samplers);
      break;
    case fileactions::kExportSamplerSysEx:
      text = formats::writeSamplerSysExText(m.samplers);
      break;
    default: {
      // The parameters only: the records hold no sample values.
      std::unique_ptr<SampleData[]> slots(new SampleData[kSampleSlotCount]);
      for (int32_t i = 0; i < kSampleSlotCount; ++i) m.slots[i].toRecord(slots[i]);
      text = formats::writeSampleDataParameters(slots.get());
      break;
    }
  }
  formats::writeTextFile(path, text);
}

}  // namespace

bool importWav(EngineHost& host, int32_t slot, const std::string& path, uint8_t mode) {
  slot &= kSampleSlotCount - 1;
  mode = mode > 2 ? 0 : mode;
  auto install = std::make_unique<SampleInstall>();
  install->slot = slot;
  const auto result = sampleimport::loadWavFile(path, static_cast<sampleimport::ImportMode>(mode), install->data);
  if (result != sampleimport::WavLoadResult::Loaded) {
    // Every note ends as for a finished import; the slot keeps what it had.
    auto stop = std::make_unique<RecordUpdate>();
    stop->stopVoices = true;
    host.submitRecords(std::move(stop));
    return result == sampleimport::WavLoadResult::Refused;
  }
  // The state names the file absolutely, so that the project reloads it
  // from wherever the host is started.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  host.setSampleFilePath(slot, error ? path.c_str() : absolute.c_str());
  host.importModes[slot] = mode;
  host.slotPoints[slot] = EngineHost::SlotPoints{};
  host.model.slots[slot] = SampleParameters::of(install->data);
  EngineCommand c;
  c.kind = CommandKind::kSample;
  c.object = install.release();
  host.submit(c);
  return true;
}

bool runFileAction(EngineHost& host, int32_t tag, const std::string& path) {
  const int32_t action = tag & protocol::tags::kPageMask;
  switch (action) {
    case fileactions::kImportTones:
    case fileactions::kImportSamplerPresets:
    case fileactions::kImportSampleParameters:
      importText(host, action, path);
      return true;
    case fileactions::kImportWavPcm:
    case fileactions::kImportWavDpcm:
    case fileactions::kImportWavAdpcm: {
      const int32_t slot = tag & fileactions::kSlotMask;
      importWav(host, slot, path, static_cast<uint8_t>((action - fileactions::kImportWavPcm) >> 8));
      return slot == host.selectedSample;
    }
    case fileactions::kExportTones:
    case fileactions::kExportSamplerPresets:
    case fileactions::kExportToneSysEx:
    case fileactions::kExportSamplerSysEx:
    case fileactions::kExportSampleParameters:
      exportText(host, action, path);
      return false;
    default:
      return false;
  }
}

}  // namespace ovri::korvane::plugin

#include "plugin/FileActions.h"

#include "formats/SampleDataParameterText.h"
#include "formats/SamplerPresetText.h"
#include "formats/SysExText.h"
#include "formats/TextFile.h"
#include "formats/TonePresetText.h"
#include "sampleimport/SampleImport.h"

#include <memory>
#include <vector>

namespace ovri::korvane::plugin {

namespace {

using namespace synth;

void importText(EngineHost& host, int32_t action, const std::string& path) {
  const std::optional<std::string> text = formats::readTextFile(path);
  if (!text) return;
  SynthesizerFM4& s = *host.synth;
  switch (action) {
    case fileactions::kImportTones: {
      const auto records = formats::parseTonePresets(*text);
      auto lock = host.lockEngine();
      for (const auto& r : records) formats::applyTonePreset(r, s.getTonePreset(r.slot));
      break;
    }
    case fileactions::kImportSamplerPresets: {
      const auto records = formats::parseSamplerPresets(*text);
      auto lock = host.lockEngine();
      s.stopVoices(-1);
      for (const auto& r : records) formats::applySamplerPreset(r, s.getSamplerPreset(r.slot));
      break;
    }
    default: {
      const auto records = formats::parseSampleDataParameters(*text);
      auto lock = host.lockEngine();
      for (const auto& r : records) formats::applySampleDataParameters(r, s.getSampleData(r.slot));
      break;
    }
  }
}

// Copies of the records to export, taken inside the engine lock and written
// out after it.
void exportText(EngineHost& host, int32_t action, const std::string& path) {
  SynthesizerFM4& s = *host.synth;
  std::string text;
  switch (action) {
    case fileactions::kExportTones:
    case fileactions::kExportToneSysEx: {
      std::vector<TonePreset> tones(kToneCount);
      {
        auto lock = host.lockEngine();
        for (int32_t i = 0; i < kToneCount; ++i) tones[i] = s.getTonePreset(i);
      }
      text = action == fileactions::kExportTones ? formats::writeTonePresets(tones.data())
                                                 : formats::writeToneSysExText(tones.data());
      break;
    }
    case fileactions::kExportSamplerPresets:
    case fileactions::kExportSamplerSysEx: {
      std::vector<SamplerPreset> presets(kSamplerPresetCount);
      {
        auto lock = host.lockEngine();
        for (int32_t i = 0; i < kSamplerPresetCount; ++i) presets[i] = s.getSamplerPreset(i);
      }
      text = action == fileactions::kExportSamplerPresets ? formats::writeSamplerPresets(presets.data())
                                                          : formats::writeSamplerSysExText(presets.data());
      break;
    }
    default: {
      // The parameters only: the copies hold no sample values.
      std::unique_ptr<SampleData[]> slots(new SampleData[kSampleSlotCount]);
      {
        auto lock = host.lockEngine();
        for (int32_t i = 0; i < kSampleSlotCount; ++i) {
          const SampleData& d = s.getSampleData(i);
          SampleData& c = slots[i];
          c.sampleRate = d.sampleRate;
          c.pitch = d.pitch;
          c.length = d.length;
          c.channels = d.channels;
          c.logRate = d.logRate;
          c.logPitch = d.logPitch;
          c.pitchOffset = d.pitchOffset;
          c.start = d.start;
          c.end = d.end;
          c.loopEnd = d.loopEnd;
          c.loopLength = d.loopLength;
          c.loopTail = d.loopTail;
        }
      }
      text = formats::writeSampleDataParameters(slots.get());
      break;
    }
  }
  formats::writeTextFile(path, text);
}

}  // namespace

bool importWav(EngineHost& host, int32_t slot, const std::string& path, uint8_t mode) {
  slot &= kSampleSlotCount - 1;
  {
    auto lock = host.lockEngine();
    host.synth->stopVoices(-1);
  }
  SampleData decoded;
  const auto result =
      sampleimport::loadWavFile(path, static_cast<sampleimport::ImportMode>(mode > 2 ? 0 : mode), decoded);
  if (result == sampleimport::WavLoadResult::CannotOpen) return false;
  if (result == sampleimport::WavLoadResult::Refused) return true;
  host.setSampleFilePath(slot, path.c_str());
  host.importModes[slot] = mode > 2 ? 0 : mode;
  host.slotPoints[slot] = EngineHost::SlotPoints{};
  SampleData previous;  // freed after the lock is released
  auto lock = host.lockEngine();
  host.synth->stopVoices(-1);
  host.setBusy(EngineHost::kBusyImport);
  SampleData& target = host.synth->getSampleData(slot);
  previous.takeFrom(target);
  target.takeFrom(decoded);
  host.clearBusy(EngineHost::kBusyImport);
  return true;
}

bool runFileAction(EngineHost& host, int32_t tag, const std::string& path) {
  const int32_t action = tag & 0xFF00;
  switch (action) {
    case fileactions::kImportTones:
    case fileactions::kImportSamplerPresets:
    case fileactions::kImportSampleParameters:
      importText(host, action, path);
      return true;
    case fileactions::kImportWavPcm:
    case fileactions::kImportWavDpcm:
    case fileactions::kImportWavAdpcm: {
      const int32_t slot = tag & 0x7F;
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

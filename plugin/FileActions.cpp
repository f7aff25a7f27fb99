#include "plugin/FileActions.h"

#include "plugin/ValueTags.h"

#include "formats/SampleDataParameterText.h"
#include "formats/SamplerPresetText.h"
#include "formats/SysExText.h"
#include "formats/TextFile.h"
#include "formats/TonePresetText.h"
#include "sampleimport/SampleImport.h"

#include <bitset>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace ovri::korvane::plugin {

namespace {

using namespace synth;


// Text imports: the file is read and parsed, the records applied to the
// model, and the records that changed are handed to the engine in one
// update.
FileActionResult importText(EngineHost& host, int32_t action, const std::string& path) {
  FileActionResult result;
  result.redraw = true;
  const std::optional<std::string> text = formats::readTextFile(path);
  if (!text) {
    result.outcome = FileOutcome::Unreadable;
    return result;
  }
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
      result.count = static_cast<int32_t>(touched.count());
      if (result.count == 0) result.reason = "no tone preset (@I) lines";
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
      result.count = static_cast<int32_t>(touched.count());
      if (result.count == 0) result.reason = "no sampler preset (@S) lines";
      break;
    }
    default: {
      std::bitset<kSampleSlotCount> touched;
      SampleData record;
      for (const auto& r : formats::parseSampleDataParameters(*text)) {
        if (r.slot < 0 || r.slot >= kSampleSlotCount) continue;
        SampleParameters& slot = m.slots[r.slot];
        record.assignParameters(slot);
        formats::applySampleDataParameters(r, record);
        slot = record.parameters();
        slot.length = record.length;  // the record holds no values, the slot does
        forgetLoopPoints(host, r.slot);
        touched.set(static_cast<size_t>(r.slot));
      }
      for (int32_t i = 0; i < kSampleSlotCount; ++i)
        if (touched.test(static_cast<size_t>(i))) update->slots.emplace_back(i, m.slots[i]);
      result.count = static_cast<int32_t>(touched.count());
      if (result.count == 0) result.reason = "no sample data parameter (@:) lines";
      break;
    }
  }
  host.submitRecords(std::move(update));
  if (result.count == 0) result.outcome = FileOutcome::Refused;
  return result;
}

// Exports write the model.
FileActionResult exportText(EngineHost& host, int32_t action, const std::string& path) {
  host.synchronize();
  const SoundModel& m = host.model;
  FileActionResult result;
  std::string text;
  switch (action) {
    case fileactions::kExportTones:
      text = formats::writeTonePresets(m.tones);
      result.count = kToneCount;
      break;
    case fileactions::kExportToneSysEx:
      text = formats::writeToneSysExText(m.tones);
      result.count = kToneCount;
      break;
    case fileactions::kExportSamplerPresets:
      text = formats::writeSamplerPresets(m.samplers);
      result.count = kSamplerPresetCount;
      break;
    case fileactions::kExportSamplerSysEx:
      text = formats::writeSamplerSysExText(m.samplers);
      result.count = kSamplerPresetCount;
      break;
    default: {
      // The parameters only: the records hold no sample values.
      std::unique_ptr<SampleData[]> slots(new SampleData[kSampleSlotCount]);
      for (int32_t i = 0; i < kSampleSlotCount; ++i) slots[i].assignParameters(m.slots[i]);
      text = formats::writeSampleDataParameters(slots.get());
      result.count = kSampleSlotCount;
      break;
    }
  }
  if (!formats::writeTextFile(path, text)) {
    result.outcome = FileOutcome::Unwritable;
    result.count = 0;
  }
  return result;
}

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Why the importer refused a WAV file, in the words of the status line,
// from a look at its header (the importer itself only says whether).
std::string wavRefusal(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[4096] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const size_t n = static_cast<size_t>(in.gcount());
  if (n == 0) return "empty file";
  if (n < 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return "not a RIFF/WAVE file";
  for (size_t at = 12; at + 8 <= n;) {
    const uint32_t size = le32(head + at + 4);
    if (std::memcmp(head + at, "fmt ", 4) == 0 && at + 8 + 16 <= n) {
      const uint16_t format = le16(head + at + 8);
      const uint16_t channels = le16(head + at + 10);
      const uint16_t bits = le16(head + at + 22);
      if (format == 0xFFFE) return "extensible WAV format (0xFFFE) is not supported, only integer PCM";
      if (format != 1) return "not integer PCM (format " + std::to_string(format) + ")";
      if (channels == 0 || channels > 2) return std::to_string(channels) + " channels (1 or 2 are imported)";
      if (bits < 8) return std::to_string(bits) + "-bit samples are not supported";
      return "damaged or too large WAV file";
    }
    at += 8 + size + (size & 1);
  }
  return "damaged WAV file";
}

// The last part of a path, for the short forms.
std::string fileName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

namespace {

// The import of importWav, with the importer's verdict.
sampleimport::WavLoadResult loadIntoSlot(EngineHost& host, int32_t slot, const std::string& path,
                                         sampleimport::ImportMode mode) {
  slot &= kSampleSlotCount - 1;
  auto install = std::make_unique<SampleInstall>();
  install->slot = slot;
  const auto result = sampleimport::loadWavFile(path, mode, install->data);
  if (result != sampleimport::WavLoadResult::Loaded) {
    // Every note ends as for a finished import; the slot keeps what it had.
    auto stop = std::make_unique<RecordUpdate>();
    stop->stopVoices = true;
    host.submitRecords(std::move(stop));
    return result;
  }
  // The state names the file absolutely, so that the project reloads it
  // from wherever the host is started.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  host.setSampleFilePath(slot, error ? path.c_str() : absolute.c_str());
  forgetLoopPoints(host, slot);
  host.importModes[slot] = mode;
  host.slotPoints[slot] = EngineHost::SlotPoints{};
  host.model.slots[slot] = install->data.parameters();
  EngineCommand c;
  c.kind = CommandKind::kSample;
  c.object = install.release();
  host.submit(c);
  return result;
}

}  // namespace

bool importWav(EngineHost& host, int32_t slot, const std::string& path, sampleimport::ImportMode mode) {
  return loadIntoSlot(host, slot, path, mode) != sampleimport::WavLoadResult::CannotOpen;
}

bool runFileAction(EngineHost& host, int32_t tag, const std::string& path, FileActionResult* out) {
  const int32_t action = tag & protocol::tags::kPageMask;
  FileActionResult result;
  switch (action) {
    case fileactions::kImportTones:
    case fileactions::kImportSamplerPresets:
    case fileactions::kImportSampleParameters:
      result = importText(host, action, path);
      break;
    case fileactions::kImportWavPcm:
    case fileactions::kImportWavDpcm:
    case fileactions::kImportWavAdpcm: {
      const int32_t slot = tag & fileactions::kSlotMask;
      switch (loadIntoSlot(host, slot, path, fileactions::importModeOfTag(action))) {
        case sampleimport::WavLoadResult::CannotOpen:
          result.outcome = FileOutcome::Unreadable;
          break;
        case sampleimport::WavLoadResult::Refused:
          result.outcome = FileOutcome::Refused;
          result.reason = wavRefusal(path);
          break;
        case sampleimport::WavLoadResult::Loaded:
          result.count = host.model.slots[slot].length;
          break;
      }
      result.redraw = slot == host.selectedSample;
      break;
    }
    case fileactions::kExportTones:
    case fileactions::kExportSamplerPresets:
    case fileactions::kExportToneSysEx:
    case fileactions::kExportSamplerSysEx:
    case fileactions::kExportSampleParameters:
      result = exportText(host, action, path);
      break;
    default:
      break;
  }
  if (out) *out = result;
  return result.redraw;
}

std::string describeFileAction(int32_t tag, const std::string& path, FileOutcome outcome, int32_t count,
                               const std::string& reason) {
  const int32_t action = tag & protocol::tags::kPageMask;
  const char* what = nullptr;  // the records the action reads or writes
  bool import = true;
  switch (action) {
    case fileactions::kImportTones: what = "tones"; break;
    case fileactions::kImportSamplerPresets: what = "sampler presets"; break;
    case fileactions::kImportSampleParameters: what = "sample data parameter sets"; break;
    case fileactions::kImportWavPcm:
    case fileactions::kImportWavDpcm:
    case fileactions::kImportWavAdpcm: what = "frames"; break;
    case fileactions::kExportTones: what = "tones"; import = false; break;
    case fileactions::kExportSamplerPresets: what = "sampler presets"; import = false; break;
    case fileactions::kExportToneSysEx: what = "tone system exclusives"; import = false; break;
    case fileactions::kExportSamplerSysEx: what = "sampler preset system exclusives"; import = false; break;
    case fileactions::kExportSampleParameters: what = "sample data parameter sets"; import = false; break;
    default: return {};
  }
  const bool wav = action >= fileactions::kImportWavPcm && action <= fileactions::kImportWavAdpcm;
  switch (outcome) {
    case FileOutcome::Refused:
      return "Refused " + fileName(path) + ": " + (reason.empty() ? "nothing usable in it" : reason);
    case FileOutcome::Unreadable:
      return "Could not read " + path;
    case FileOutcome::Unwritable:
      return "Could not write " + path;
    case FileOutcome::Done:
      break;
  }
  if (wav)
    return "Imported " + fileName(path) + " into slot " + std::to_string(tag & fileactions::kSlotMask) + " (" +
           std::to_string(count) + " " + what + ")";
  if (import) return "Imported " + std::to_string(count) + " " + what + " from " + fileName(path);
  return "Exported " + std::to_string(count) + " " + what + " to " + path;
}

}  // namespace ovri::korvane::plugin

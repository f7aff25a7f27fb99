#include "tools/presets/VstPresetFile.h"

#include <cstring>

namespace ovri::korvane::presets {

namespace {

constexpr int32_t kVersion = 1;
constexpr size_t kHeaderSize = 4 + 4 + kClassIdLength + 8;
constexpr size_t kEntrySize = 4 + 8 + 8;

void put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t get(const std::vector<uint8_t>& in, size_t at, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | in[at + static_cast<size_t>(i)];
  return value;
}

}  // namespace

std::vector<uint8_t> writeVstPreset(const std::string& classId, const std::vector<uint8_t>& componentState) {
  std::vector<uint8_t> out;
  out.insert(out.end(), {'V', 'S', 'T', '3'});
  put(out, kVersion, 4);
  std::string id = classId.substr(0, kClassIdLength);
  id.resize(kClassIdLength, '0');
  out.insert(out.end(), id.begin(), id.end());
  const uint64_t listOffset = kHeaderSize + componentState.size();
  put(out, listOffset, 8);
  out.insert(out.end(), componentState.begin(), componentState.end());
  out.insert(out.end(), {'L', 'i', 's', 't'});
  put(out, 1, 4);
  out.insert(out.end(), {'C', 'o', 'm', 'p'});
  put(out, kHeaderSize, 8);
  put(out, componentState.size(), 8);
  return out;
}

bool readVstPreset(const std::vector<uint8_t>& file, std::string& classId, std::vector<uint8_t>& componentState,
                   std::string& error) {
  if (file.size() < kHeaderSize || std::memcmp(file.data(), "VST3", 4) != 0) {
    error = "not a VST 3 preset (no VST3 header)";
    return false;
  }
  classId.assign(file.begin() + 8, file.begin() + 8 + kClassIdLength);
  const uint64_t listOffset = get(file, 40, 8);
  if (listOffset > file.size() || file.size() - listOffset < 8 || std::memcmp(&file[listOffset], "List", 4) != 0) {
    error = "the chunk list is missing or lies outside the file";
    return false;
  }
  const uint64_t count = get(file, listOffset + 4, 4);
  if (count > (file.size() - listOffset - 8) / kEntrySize) {
    error = "the chunk list runs past the end of the file";
    return false;
  }
  for (uint64_t i = 0; i < count; ++i) {
    const size_t entry = static_cast<size_t>(listOffset + 8 + i * kEntrySize);
    if (std::memcmp(&file[entry], "Comp", 4) != 0) continue;
    const uint64_t offset = get(file, entry + 4, 8);
    const uint64_t size = get(file, entry + 12, 8);
    if (offset > file.size() || size > file.size() - offset) {
      error = "the component state chunk lies outside the file";
      return false;
    }
    componentState.assign(file.begin() + static_cast<std::ptrdiff_t>(offset),
                          file.begin() + static_cast<std::ptrdiff_t>(offset + size));
    return true;
  }
  error = "the preset holds no component state";
  return false;
}

}  // namespace ovri::korvane::presets

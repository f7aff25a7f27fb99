#include "tonegen/SoundFields.h"

#include <array>
#include <cstddef>

namespace ovri::korvane::synth {

namespace {

template <std::size_t N> using CellMap = std::array<SysExCell, N>;

// Marks the address(es) of one value; false when one is taken already or
// lies outside the block.
template <std::size_t N>
constexpr bool placeValue(CellMap<N>& map, int32_t address, int32_t bytes, int32_t row, int32_t op) {
  for (int32_t i = 0; i < bytes; ++i) {
    const int32_t a = address + i;
    if (a < 0 || a >= static_cast<int32_t>(N) || map[a].kind != SysExCell::kReserved) return false;
    const SysExCell::Kind kind = bytes == 1 ? SysExCell::kValue : (i == 0 ? SysExCell::kLsb : SysExCell::kMsb);
    map[a] = {kind, static_cast<int8_t>(row), static_cast<int8_t>(op)};
  }
  return true;
}

template <std::size_t N> constexpr bool placeName(CellMap<N>& map) {
  for (int32_t i = 0; i < kPresetNameLength; ++i)
    map[kSysExNameAddress + i] = {SysExCell::kNameChar, static_cast<int8_t>(i), SysExCell::kNoOperator};
  return true;
}

struct ToneMap {
  CellMap<kToneSysExLastAddress + 1> cells{};
  bool consistent = true;  // no two values share an address, none beyond the block
};

// Address -> cell of the tone block, from the sysex column of the tone and
// operator rows.
constexpr ToneMap buildToneMap() {
  ToneMap m;
  m.consistent = placeName(m.cells);
  for (int32_t r = 0; r < kToneFieldCount; ++r)
    m.consistent &= placeValue(m.cells, kToneFields[r].sysexAddress, kToneFields[r].bytes, r, SysExCell::kNoOperator);
  for (int32_t op = 0; op < kOperatorCount; ++op)
    for (int32_t r = 0; r < kOperatorFieldCount; ++r)
      m.consistent &= placeValue(m.cells,
                                 kToneSysExOperatorBase + kToneSysExOperatorStride * op + kOperatorFields[r].sysexAddress,
                                 kOperatorFields[r].bytes, r, op);
  return m;
}

struct SamplerMap {
  CellMap<kSamplerSysExLastAddress + 1> cells{};
  bool consistent = true;
};

constexpr SamplerMap buildSamplerMap() {
  SamplerMap m;
  m.consistent = placeName(m.cells);
  for (int32_t r = 0; r < kSamplerFieldCount; ++r)
    m.consistent &= placeValue(m.cells, kSamplerFields[r].sysexAddress, kSamplerFields[r].bytes, r, SysExCell::kNoOperator);
  return m;
}

constexpr ToneMap kToneMap = buildToneMap();
constexpr SamplerMap kSamplerMap = buildSamplerMap();
static_assert(kToneMap.consistent, "two tone values share a sysex address");
static_assert(kSamplerMap.consistent, "two sampler values share a sysex address");
static_assert(kToneMap.cells[kToneSysExLastAddress].kind != SysExCell::kReserved, "tone block ends with a value");
static_assert(kSamplerMap.cells[kSamplerSysExLastAddress].kind != SysExCell::kReserved,
              "sampler block ends with a value");

// No two rows of a table answer the same value tag item.
template <typename Row, std::size_t N> constexpr bool tagItemsDistinct(const Row (&rows)[N]) {
  for (std::size_t a = 0; a < N; ++a)
    for (std::size_t b = a + 1; b < N; ++b)
      if (rows[a].tagItem == rows[b].tagItem) return false;
  return true;
}
static_assert(tagItemsDistinct(kToneFields) && tagItemsDistinct(kOperatorFields) &&
              tagItemsDistinct(kSamplerFields));

}  // namespace

const SysExCell& toneSysExCell(int32_t address) { return kToneMap.cells[address]; }
const SysExCell& samplerSysExCell(int32_t address) { return kSamplerMap.cells[address]; }

int32_t& toneCellValue(ToneParameters& tone, const SysExCell& cell) {
  if (cell.op == SysExCell::kNoOperator) return tone.*kToneFields[cell.row].member;
  return (tone.*kOperatorFields[cell.row].member)[cell.op];
}

int32_t toneCellValue(const ToneParameters& tone, const SysExCell& cell) {
  return toneCellValue(const_cast<ToneParameters&>(tone), cell);
}

int32_t toneCellRxMask(const SysExCell& cell) {
  return cell.op == SysExCell::kNoOperator ? kToneFields[cell.row].rxMask : kOperatorFields[cell.row].rxMask;
}

int32_t toneCellTxMask(const SysExCell& cell) {
  return cell.op == SysExCell::kNoOperator ? kToneFields[cell.row].txMask : kOperatorFields[cell.row].txMask;
}

}  // namespace ovri::korvane::synth

#pragma once

// Puts WAV files together in memory, chunk by chunk, for byte-level tests.

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::sampleimport::test {

inline void putU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void putU32(std::vector<uint8_t>& out, uint32_t v) {
  putU16(out, v & 0xFFFF);
  putU16(out, v >> 16);
}

inline std::vector<uint8_t> le16s(const std::vector<int16_t>& values) {
  std::vector<uint8_t> out;
  for (int16_t v : values) putU16(out, static_cast<uint16_t>(v));
  return out;
}

class WavBuilder {
public:
  // A "fmt " chunk with the 16 field bytes, declared size `size`; a size
  // above 16 adds zero extension bytes, a size below 16 still writes all
  // 16 field bytes (what a reader that reads them regardless sees).
  WavBuilder& fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t size = 16) {
    const uint32_t bytes = (bits + 7u) / 8u;
    std::vector<uint8_t> body;
    putU16(body, tag);
    putU16(body, channels);
    putU32(body, rate);
    putU32(body, rate * channels * bytes);
    putU16(body, channels * bytes);
    putU16(body, bits);
    if (size > 16) body.resize(size, 0);
    return chunkSized("fmt ", size, body, size > 16 && (size & 1));
  }

  WavBuilder& pcm(uint16_t channels, uint32_t rate, uint16_t bits) { return fmt(1, channels, rate, bits); }

  WavBuilder& data(const std::vector<uint8_t>& bytes) { return chunk("data", bytes); }

  // A chunk whose size field is the body length, with its pad byte.
  WavBuilder& chunk(const std::string& id, const std::vector<uint8_t>& body, bool pad = true) {
    return chunkSized(id, static_cast<uint32_t>(body.size()), body, pad && (body.size() & 1));
  }

  // A chunk header claiming `size` followed by whatever body is given.
  WavBuilder& chunkSized(const std::string& id, uint32_t size, const std::vector<uint8_t>& body, bool pad = false) {
    bytes_.insert(bytes_.end(), id.begin(), id.end());
    putU32(bytes_, size);
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    if (pad) bytes_.push_back(0);
    return *this;
  }

  WavBuilder& raw(const std::vector<uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }

  // "RIFF", size (the real one plus riffSizeDelta), "WAVE", the chunks.
  std::vector<uint8_t> build(int64_t riffSizeDelta = 0) const {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    putU32(out, static_cast<uint32_t>(static_cast<int64_t>(bytes_.size()) + 4 + riffSizeDelta));
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    out.insert(out.end(), bytes_.begin(), bytes_.end());
    return out;
  }

private:
  std::vector<uint8_t> bytes_;
};

}  // namespace ovri::korvane::sampleimport::test

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sampleimport/ImportMode.h"
#include "tonegen/SoundData.h"

namespace ovri::korvane::sampleimport {

enum class WavLoadResult {
  CannotOpen,  // the file could not be opened or read
  Refused,     // not an importable WAV file; the output record is untouched
  Loaded,      // the output record holds the import
};

// Largest file the importer reads. Every count derived from a file of this
// size (frames x channels at most the file size) fits in int32, and the
// largest import (8-bit samples stored as int32 codes) stays at 4 GiB.
constexpr size_t kMaxWavFileBytes = size_t{1} << 30;

// Reads a whole file as raw bytes into out. False (out empty) when it
// cannot be opened or read in full.
bool readFileBytes(const std::string& path, std::vector<uint8_t>& out);

// The depths that setFromPcm and the codecs' conversions take.
bool isPcmDepth(int32_t bitsPerSample);

// Replaces D with frames x channels interleaved PCM samples of 8, 16, 24 or
// 32 bits (little-endian, unsigned values centred at half range unless
// isSigned), each stored as logSample(value / full scale); channels, length
// = end = loopEnd = frames, start 0, no loop, sampleRate 44100 and its
// logRate, pitch 0. bytes must hold frames x channels samples. For any
// other depth, negative counts or a failed allocation D is left empty
// (cleared, samples null) and the result is false.
bool setFromPcm(synth::SampleData& D, const uint8_t* bytes, int32_t frames, int32_t channels,
                int32_t bitsPerSample, bool isSigned);

// The import of a WAV file held in memory into `out`, a record the caller
// owns (not an engine slot: nothing here touches the engine, so this can
// run while the audio thread plays; the caller swaps the result into the
// slot with SampleData::takeFrom).
//
// Refused, leaving out untouched: a file larger than kMaxWavFileBytes, one
// parseWav does not accept or without a "data" chunk, more than two
// channels, not integer PCM, an unknown mode, a DPCM or ADPCM import of a
// depth other than 8, 16, 24 or 32 bits, or a failed allocation.
// Loaded: out holds the samples as logSample codes, channels, length =
// frames, sampleRate = the file's rate, logRate = L(rate) in single
// precision, pitch 0, start 0, end = loopEnd = length, no loop. A PCM
// import of an unsupported depth is Loaded with no samples (notes on the
// slot are silent) and the file's rate.
WavLoadResult decodeWav(const uint8_t* bytes, size_t length, ImportMode mode, synth::SampleData& out);

// The memory a recording of frames x channels takes once imported.
constexpr size_t decodedBytes(size_t frames, size_t channels) { return frames * channels * sizeof(int32_t); }

// Reads the file (a regular file only, see fileio::readRegularFile) and
// decodes it. CannotOpen: missing, unreadable or not a regular file.
// Refused without decoding: larger than kMaxWavFileBytes, or a recording
// that would take more than maxDecodedBytes once imported.
WavLoadResult loadWavFile(const std::string& path, ImportMode mode, synth::SampleData& out,
                          size_t maxDecodedBytes = SIZE_MAX);

}  // namespace ovri::korvane::sampleimport

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::fileio {

enum class ReadResult {
  kRead,
  kCannotOpen,  // missing, unreadable, or not a regular file (a pipe, a device, a directory)
  kTooLarge,    // larger than the limit, or more than memory allows
  kFailed,      // the file changed size or a read failed
};

// Reads a whole file into out. The file is opened first and the opened
// descriptor checked: only a regular file is read, and only as many bytes
// as it holds when opened (never "until the end", which a device or a
// growing file would not reach). Opening never blocks on a FIFO. On any
// result but kRead, out is empty.
ReadResult readRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out);

// The same into a string (text files).
ReadResult readRegularFile(const std::string& path, size_t maxBytes, std::string& out);

}  // namespace ovri::korvane::fileio

#pragma once

// Opening and closing of the preset text files, kept apart from the readers
// and writers, which work on strings.

#include <cstddef>
#include <optional>
#include <string>

namespace ovri::korvane::formats {

// The largest text file read.
constexpr size_t kMaxTextFileBytes = size_t{16} << 20;

// The file's text as the readers expect it: its bytes, with a '\n' added
// when the last line has none. A '\r' before a '\n' stays in the line; the
// grammar treats it as a separator. nullopt when the file cannot be opened,
// is not a regular file (a pipe, a device, a directory) or is larger than
// kMaxTextFileBytes. The path is used as a narrow file name, as it comes.
std::optional<std::string> readTextFile(const std::string& path);

// Creates the file or cuts it to length 0 and writes text in text mode.
// False when the file cannot be opened (nothing is written then) or the
// writing fails.
bool writeTextFile(const std::string& path, const std::string& text);

}  // namespace ovri::korvane::formats

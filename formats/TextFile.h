#pragma once

// Opening and closing of the preset text files, kept apart from the readers
// and writers, which work on strings.

#include <optional>
#include <string>

namespace ovri::korvane::formats {

// The file's text as the readers expect it: read in text mode line by line
// (lines split at '\n'), each line appended followed by '\n'. A '\r' before
// the '\n' stays in the line where the platform's text mode keeps it; the
// grammar treats it as a separator. nullopt when the file cannot be opened.
// The path is used as a narrow file name, as it comes.
std::optional<std::string> readTextFile(const std::string& path);

// Creates the file or cuts it to length 0 and writes text in text mode.
// False when the file cannot be opened (nothing is written then) or the
// writing fails.
bool writeTextFile(const std::string& path, const std::string& text);

}  // namespace ovri::korvane::formats

#include "formats/TextFile.h"

#include "platform/fileio/RegularFile.h"

#include <fstream>

namespace ovri::korvane::formats {

std::optional<std::string> readTextFile(const std::string& path) {
  std::string text;
  if (fileio::readRegularFile(path, kMaxTextFileBytes, text) != fileio::ReadResult::kRead) return std::nullopt;
  // Every line ends in '\n', the last one included.
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text;
}

bool writeTextFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::out | std::ios::trunc);
  if (!file.is_open()) return false;
  file << text;
  file.close();
  return !file.fail();
}

}  // namespace ovri::korvane::formats

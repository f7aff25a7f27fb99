#include "formats/TextFile.h"

#include <fstream>

namespace ovri::korvane::formats {

std::optional<std::string> readTextFile(const std::string& path) {
  std::ifstream file(path);
  if (!file.is_open()) return std::nullopt;
  std::string text;
  std::string line;
  while (std::getline(file, line)) {
    text += line;
    text += '\n';
  }
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

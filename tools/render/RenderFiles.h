#pragma once

// What korvane-render checks and does with files before and after a
// render: readable inputs, whole-file reads and writes, paths of outputs
// and stems, the refusals that need no plug-in.
#include "tools/render/RenderOptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::render {

// Whether path is a regular file this process can read; reason says why
// not ("No such file or directory", "is a folder, not a file", ...).
bool readableFile(const std::string& path, std::string& reason);
// Reads a regular file whole; reason says why it could not.
bool readFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& reason);
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& reason);
// Whether a and b name one file (the same path, a hard or symbolic link).
bool sameFile(const std::string& a, const std::string& b);
std::string folderOf(const std::string& path);
std::string baseName(const std::string& path);
// Bytes the folder's file system has free for this user (-1 if unknown).
int64_t freeBytes(const std::string& folder);
std::string gigabytes(double bytes);
// OUTPUT_outNN.EXT: the stem of output bus (0..15).
std::string stemPath(const std::string& output, int32_t bus);
// Refusals that need no plug-in: the output's kind, the input, the output
// path against the input. Exit code, or -1 to go on.
int checkPaths(Options& options);

}  // namespace ovri::korvane::render

#include "tools/render/RenderFiles.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace ovri::korvane::render {

bool readableFile(const std::string& path, std::string& reason) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    reason = reasonOf(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    reason = "is a folder, not a file";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    reason = "is not a regular file";
    return false;
  }
  if (::access(path.c_str(), R_OK) != 0) {
    reason = reasonOf(errno);
    return false;
  }
  return true;
}

bool readFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& reason) {
  if (!readableFile(path, reason)) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    reason = reasonOf(errno);
    return false;
  }
  bytes.clear();
  uint8_t chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  const bool ok = std::ferror(file) == 0;
  if (!ok) reason = reasonOf(errno != 0 ? errno : EIO);
  std::fclose(file);
  return ok;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& reason) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    reason = reasonOf(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (!ok) reason = reasonOf(errno != 0 ? errno : EIO);
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    reason = reasonOf(errno);
  }
  return ok;
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat x {};
  struct stat y {};
  return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int64_t freeBytes(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return -1;
  return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

std::string gigabytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f GB", bytes / 1e9);
  return text;
}

std::string stemPath(const std::string& output, int32_t bus) {
  std::string base = output;
  const size_t slash = base.find_last_of('/');
  const size_t dot = base.rfind('.');
  std::string extension = ".wav";
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    extension = base.substr(dot);
    base.resize(dot);
  }
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_out%02d", bus + 1);
  return base + suffix + extension;
}

int checkPaths(Options& options) {
  std::vector<std::string> outputs = {options.output};
  if (options.stems)
    for (int32_t bus = 0; bus < 16; ++bus) outputs.push_back(stemPath(options.output, bus));
  for (const std::string& path : outputs) {
    for (const std::string& written : {path, path + ".partial", path + ".partial.enc"}) {
      if (written == options.input || sameFile(written, options.input)) {
        std::fprintf(stderr, "korvane-render: cannot write %s: it is the input file %s itself; nothing written\n",
                     written.c_str(), options.input.c_str());
        return kExitRefused;
      }
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      std::fprintf(stderr, "korvane-render: cannot write %s: is a folder (give a file name)\n", path.c_str());
      return kExitRefused;
    }
  }
  if (!ovri::korvane::render::outputKindFor(options.output, options.pcm24, options.kind)) {
    std::fprintf(stderr, "korvane-render: cannot write %s: unknown output format; the extension must be one of %s\n",
                 options.output.c_str(), ovri::korvane::render::outputExtensions().c_str());
    return kExitRefused;
  }
  if (options.pcm24 && options.kind != OutputKind::WavPcm24) {
    std::fprintf(stderr, "korvane-render: --pcm24 is for .wav output, not %s\n", options.output.c_str());
    return kExitUsage;
  }
  std::string reason;
  if (!readableFile(options.input, reason)) {
    std::fprintf(stderr, "korvane-render: cannot read %s: %s\n", options.input.c_str(), reason.c_str());
    return kExitRefused;
  }
  return -1;
}

}  // namespace ovri::korvane::render

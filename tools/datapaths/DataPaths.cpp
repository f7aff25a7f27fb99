#include "tools/datapaths/DataPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ovri::korvane::datapaths {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBundleName = "KorvaneVST_FM4.vst3";

bool isDirectory(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// The prefix of an install whose programs live in <prefix>/<bindir>.
fs::path installPrefix(const fs::path& exeDir) {
  fs::path prefix = exeDir;
  for (const auto& part : fs::path(KORVANE_INSTALL_BINDIR)) {
    if (!part.empty() && part != ".") prefix = prefix.parent_path();
  }
  return prefix;
}

bool inside(const fs::path& path, const fs::path& folder) {
  const fs::path relative = path.lexically_relative(folder);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

DataPaths locate(const std::string& exePath, const std::string& home) {
  const fs::path exe = fs::path(exePath).lexically_normal();
  const fs::path prefix = installPrefix(exe.parent_path());
  const fs::path installedBundle = prefix / "lib/vst3" / kBundleName;
  const fs::path installedFactory = prefix / KORVANE_INSTALL_DATADIR / "korvane/factory";
  const bool fromBuildTree = inside(exe, fs::path(KORVANE_BUILD_DIR).lexically_normal());

  DataPaths paths;
  paths.pluginOrigin = paths.factoryOrigin = "not found";
  paths.plugin = installedBundle.string();
  paths.factoryTexts = installedFactory.string();
  paths.factorySamples = (installedFactory / "samples").string();

  if (isDirectory(installedBundle)) {
    paths.pluginOrigin = "install";
  } else if (fromBuildTree && isDirectory(KORVANE_BUILD_BUNDLE)) {
    paths.plugin = KORVANE_BUILD_BUNDLE;
    paths.pluginOrigin = "build tree";
  } else if (!home.empty() && isDirectory(fs::path(home) / ".vst3" / kBundleName)) {
    paths.plugin = (fs::path(home) / ".vst3" / kBundleName).string();
    paths.pluginOrigin = "user install";
  }

  const fs::path userFactory = fs::path(home) / ".local/share/korvane/factory";
  if (isDirectory(installedFactory)) {
    paths.factoryOrigin = "install";
  } else if (fromBuildTree && isDirectory(KORVANE_BUILD_FACTORY_TEXTS)) {
    paths.factoryTexts = KORVANE_BUILD_FACTORY_TEXTS;
    paths.factorySamples = KORVANE_BUILD_FACTORY_SAMPLES;
    paths.factoryOrigin = "build tree";
  } else if (!home.empty() && isDirectory(userFactory)) {
    paths.factoryTexts = userFactory.string();
    paths.factorySamples = (userFactory / "samples").string();
    paths.factoryOrigin = "user install";
  }
  return paths;
}

const DataPaths& found() {
  static const DataPaths paths = [] {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    const char* home = std::getenv("HOME");
    return locate(error ? std::string() : exe.string(), home != nullptr ? home : "");
  }();
  return paths;
}

}  // namespace ovri::korvane::datapaths

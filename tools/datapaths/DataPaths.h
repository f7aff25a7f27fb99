#pragma once

#include <string>

namespace ovri::korvane::datapaths {

// Where the installed tools find the plug-in and the factory set, looked up
// once from the running program's own location:
//   1. an install: <exe>/../lib/vst3/KorvaneVST_FM4.vst3 and
//      <exe>/../share/korvane/factory (and factory/samples);
//   2. the build tree, when the program runs from it;
//   3. ~/.vst3/KorvaneVST_FM4.vst3 and ~/.local/share/korvane/factory
//      (a user install, reached by a program copied elsewhere).
// The plug-in and the factory set are looked up each on its own. What was
// not found anywhere names the install location, so that the error a user
// sees tells where it belongs.
struct DataPaths {
  std::string plugin;          // the .vst3 bundle
  std::string factoryTexts;    // FactoryTones.txt, FactorySampler.txt, FactorySampleData.txt
  std::string factorySamples;  // the factory WAV files
  const char* pluginOrigin = "";   // "install", "build tree", "user install" or "not found"
  const char* factoryOrigin = "";
};

const DataPaths& found();

// The lookup itself, for a program at exePath with the given home folder
// (empty: none); found() calls it with /proc/self/exe and $HOME.
DataPaths locate(const std::string& exePath, const std::string& home);

}  // namespace ovri::korvane::datapaths

// make-moduleinfo: writes a bundle's Contents/Resources/moduleinfo.json,
// the description hosts of VST 3.7.5 and later read to list a module's
// classes without loading it. Everything in it comes from the module's own
// factory: the module is loaded as a host loads it and its factory and
// class information is written out as JSON.
//
//   make-moduleinfo BUNDLE OUT.json
//
// The module version is that of its first audio module class.
#include "host/PluginHost.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string text(const char8* chars, size_t size) {
  std::string value(chars, size);
  return value.substr(0, value.find('\0'));
}

std::vector<std::string> split(const std::string& list, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(list);
  for (std::string part; std::getline(in, part, separator);)
    if (!part.empty()) parts.push_back(part);
  return parts;
}

std::string classId(const TUID cid) {
  char hex[33] = {};
  FUID::fromTUID(cid).toString(hex);
  return hex;
}

bool flag(int32 flags, int32 bit) { return (flags & bit) != 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-moduleinfo BUNDLE OUT.json\n");
    return 2;
  }
  const std::string bundle = argv[1];
  std::string error;
  auto module = ovri::korvane::host::PluginModule::load(bundle, error);
  if (!module) {
    std::fprintf(stderr, "make-moduleinfo: %s\n", error.c_str());
    return 1;
  }
  IPluginFactory* factory = module->getFactory();
  PFactoryInfo factoryInfo;
  if (factory->getFactoryInfo(&factoryInfo) != kResultOk) {
    std::fprintf(stderr, "make-moduleinfo: the factory gives no information\n");
    return 1;
  }
  FUnknownPtr<IPluginFactory2> factory2(factory);

  std::string version;
  std::ostringstream classes;
  const int32 count = factory->countClasses();
  for (int32 i = 0; i < count; ++i) {
    PClassInfo info;
    PClassInfo2 info2;
    const bool hasInfo2 = factory2 && factory2->getClassInfo2(i, &info2) == kResultOk;
    if (!hasInfo2 && factory->getClassInfo(i, &info) != kResultOk) continue;
    const std::string category = hasInfo2 ? text(info2.category, sizeof info2.category) : text(info.category, sizeof info.category);
    const std::string name = hasInfo2 ? text(info2.name, sizeof info2.name) : text(info.name, sizeof info.name);
    const std::string cid = classId(hasInfo2 ? info2.cid : info.cid);
    const int32 cardinality = hasInfo2 ? info2.cardinality : info.cardinality;
    classes << (classes.tellp() > 0 ? ",\n" : "") << "    {\n"
            << "      \"CID\": " << quoted(cid) << ",\n"
            << "      \"Category\": " << quoted(category) << ",\n"
            << "      \"Name\": " << quoted(name) << ",\n";
    if (hasInfo2) {
      const std::string classVersion = text(info2.version, sizeof info2.version);
      if (version.empty() && category == kVstAudioEffectClass) version = classVersion;
      // A class without a vendor of its own has the factory's.
      std::string vendor = text(info2.vendor, sizeof info2.vendor);
      if (vendor.empty()) vendor = text(factoryInfo.vendor, sizeof factoryInfo.vendor);
      classes << "      \"Vendor\": " << quoted(vendor) << ",\n"
              << "      \"Version\": " << quoted(classVersion) << ",\n"
              << "      \"SDKVersion\": " << quoted(text(info2.sdkVersion, sizeof info2.sdkVersion)) << ",\n";
      const auto subCategories = split(text(info2.subCategories, sizeof info2.subCategories), '|');
      if (!subCategories.empty()) {
        classes << "      \"Sub Categories\": [";
        for (size_t s = 0; s < subCategories.size(); ++s) classes << (s ? ", " : "") << quoted(subCategories[s]);
        classes << "],\n";
      }
      classes << "      \"Class Flags\": " << info2.classFlags << ",\n";
    }
    classes << "      \"Cardinality\": " << cardinality << ",\n"
            << "      \"Snapshots\": []\n"
            << "    }";
  }

  const int32 flags = factoryInfo.flags;
  std::ostringstream json;
  json << "{\n"
       << "  \"Name\": " << quoted(std::filesystem::path(bundle).stem().string()) << ",\n"
       << "  \"Version\": " << quoted(version) << ",\n"
       << "  \"Factory Info\": {\n"
       << "    \"Vendor\": " << quoted(text(factoryInfo.vendor, sizeof factoryInfo.vendor)) << ",\n"
       << "    \"URL\": " << quoted(text(factoryInfo.url, sizeof factoryInfo.url)) << ",\n"
       << "    \"E-Mail\": " << quoted(text(factoryInfo.email, sizeof factoryInfo.email)) << ",\n"
       << "    \"Flags\": {\n"
       << "      \"Unicode\": " << (flag(flags, PFactoryInfo::kUnicode) ? "true" : "false") << ",\n"
       << "      \"Classes Discardable\": " << (flag(flags, PFactoryInfo::kClassesDiscardable) ? "true" : "false") << ",\n"
       << "      \"Component Non Discardable\": "
       << (flag(flags, PFactoryInfo::kComponentNonDiscardable) ? "true" : "false") << "\n"
       << "    }\n"
       << "  },\n"
       << "  \"Classes\": [\n"
       << classes.str() << "\n  ]\n}\n";

  const std::string out = argv[2];
  const std::string temporary = out + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << json.str();
    if (!file.flush()) {
      std::fprintf(stderr, "make-moduleinfo: cannot write %s\n", temporary.c_str());
      return 1;
    }
  }
  std::error_code renameError;
  std::filesystem::rename(temporary, out, renameError);
  if (renameError) {
    std::fprintf(stderr, "make-moduleinfo: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

// make-factory-bank: writes the factory tone bank as tone preset text
// ("@I:" records for all 256 tones) to the path given, for the tone import.
//
//   make-factory-bank presets/FactoryTones.txt
#include "formats/TonePresetText.h"
#include "tools/factory/FactoryTones.h"

#include <cstdio>
#include <fstream>
#include <vector>

int main(int argc, char** argv) {
  using namespace ovri::korvane;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-factory-bank <output.txt>\n");
    return 2;
  }
  std::vector<synth::TonePreset> tones(synth::kToneCount);
  factory::buildFactoryTones(tones.data());
  const std::string text = formats::writeTonePresets(tones.data());

  std::ofstream out(argv[1], std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "make-factory-bank: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <string>

namespace ovri::korvane::test {

// UTF-16 text from the SDK's structures as ASCII (our strings are ASCII).
inline std::string ascii(const Steinberg::char16* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

}  // namespace ovri::korvane::test

#pragma once

#include "pluginterfaces/base/ftypes.h"
#include "pluginterfaces/base/ibstream.h"
#include "public.sdk/source/common/memorystream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::test {

// UTF-16 text from the SDK's structures as ASCII (our strings are ASCII).
inline std::string ascii(const Steinberg::char16* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

// What an object that saves into a host stream (a component, a controller)
// writes there; loads it back the same way.
template <typename Saver> std::vector<uint8_t> savedBytes(Saver* saver) {
  Steinberg::IPtr<Steinberg::MemoryStream> stream = Steinberg::owned(new Steinberg::MemoryStream);
  if (saver->getState(stream) != Steinberg::kResultOk) return {};
  const auto* bytes = reinterpret_cast<const uint8_t*>(stream->getData());
  return std::vector<uint8_t>(bytes, bytes + stream->getSize());
}

inline Steinberg::IPtr<Steinberg::MemoryStream> streamOf(const std::vector<uint8_t>& bytes) {
  Steinberg::IPtr<Steinberg::MemoryStream> stream = Steinberg::owned(new Steinberg::MemoryStream);
  Steinberg::int32 written = 0;
  stream->write(const_cast<uint8_t*>(bytes.data()), static_cast<Steinberg::int32>(bytes.size()), &written);
  stream->seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
  return stream;
}

}  // namespace ovri::korvane::test

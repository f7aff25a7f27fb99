#pragma once

#include <cstdint>

namespace ovri::korvane {

class ModuleRack;
struct RenderContext;

// Everything that can sit in a rack slot. The order of the operations is
// part of the design (reserved slots included).
class IKorvaneModule {
public:
  virtual void setSampleRate(float hz) = 0;           // 0
  virtual void reserved1() {}                         // 1
  virtual void setBlockSize(int32_t samples) = 0;     // 2
  virtual void reset() = 0;                           // 3: back to idle playing state
  virtual void initialize() = 0;                      // 4: full reset
  virtual void attached(ModuleRack* rack) = 0;        // 5
  virtual void detached() = 0;                        // 6
  virtual void disabledChanged(bool disabled) = 0;    // 7
  virtual void reservedStop1() = 0;                   // 8
  virtual void reservedStop2() = 0;                   // 9
  virtual void deactivate() = 0;                      // 10: processing off (also bypass on)
  virtual void activate() = 0;                        // 11: processing on (also bypass off)
  virtual void process(RenderContext& context) = 0;   // 12: one block
  virtual ~IKorvaneModule() = default;                // 13
};

}  // namespace ovri::korvane

#pragma once

#include "plugin/SoundModel.h"

#include <cstdint>
#include <mutex>

namespace ovri::korvane {

// The editor's current choice of records.
struct EditorSelection {
  int32_t part = 0;           // 0..15
  int32_t tone = 0;           // 0..255
  int32_t samplerPreset = 0;  // 0..127
  int32_t sample = 0;         // 0..127
};

// Loop points the editor entered for a slot while they form no loop yet:
// -1 where a point is not entered; they belong to a recording of `length`
// frames (an entry for another length is stale).
struct LoopEntry {
  int32_t start = -1;
  int32_t end = -1;
  int32_t length = -1;
};

// What an editor sees of the processor's engine host: the main thread's
// copy of the sound data and the selection. Read them under lockMain(),
// after synchronize() has brought the copy up to date. The only thing an
// editor writes here is the name of the selected tone or sampler preset,
// which it then asks the processor to hand to the engine.
class EngineView {
public:
  virtual std::unique_lock<std::mutex> lockMain() = 0;
  virtual void synchronize() = 0;
  virtual const SoundModel& soundModel() const = 0;
  virtual EditorSelection selection() const = 0;
  // The selected tone's (or sampler preset's) 16-character name and its
  // closing zero.
  virtual char* selectedPresetName(bool tone) = 0;
  virtual const LoopEntry& enteredLoop(int32_t slot) const = 0;

  // A number for this view's host, unique in the process while it lives; 0
  // when no host lives at that address. Lets a holder of the address (the
  // editor) find out that the processor has gone.
  static uint64_t liveSerial(const EngineView* view);

protected:
  ~EngineView() = default;
};

}  // namespace ovri::korvane

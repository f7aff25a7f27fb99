#include "standalone/MidiToHost.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"

#include <algorithm>
#include <cstring>

namespace ovri::korvane::standalone {

using namespace Steinberg;
using namespace Steinberg::Vst;

MidiToHost::MidiToHost(host::PluginInstance& instance) : posted(256), pending(kMaxPending) {
  for (int channel = 0; channel < 16; ++channel) {
    for (int n = 0; n < kMappedNumbers; ++n) {
      const CtrlNumber number = n < 128 ? static_cast<CtrlNumber>(n)
                                : n == 128 ? static_cast<CtrlNumber>(kAfterTouch)
                                : n == 129 ? static_cast<CtrlNumber>(kPitchBend)
                                           : static_cast<CtrlNumber>(kCtrlProgramChange);
      ParamID id = kNoParameter;
      if (instance.midiMapping == nullptr ||
          instance.midiMapping->getMidiControllerAssignment(0, static_cast<int16>(channel), number, id) != kResultTrue)
        id = kNoParameter;
      parameterIds[channel][n] = id;
    }
  }
  // The process thread only reuses what is made here: as many parameter
  // queues, and points in each, as a block can take.
  for (int p = 0; p < kMaxParameters; ++p)
    for (int point = 0; point < kMaxPending; ++point) instance.changes().add(static_cast<ParamID>(p), point, 0.0);
  instance.clearInput();
}

void MidiToHost::post(const RawMidi& message) {
  if (!posted.push(message)) droppedCount.fetch_add(1, std::memory_order_relaxed);
}

void MidiToHost::beginCycle() {
  pendingCount = 0;
  cursor = 0;
  while (pendingCount < kMaxPending && posted.pop(pending[static_cast<size_t>(pendingCount)].message))
    pending[static_cast<size_t>(pendingCount++)].time = 0;
}

void MidiToHost::add(uint32_t time, const uint8_t* bytes, size_t size) {
  if (pendingCount == kMaxPending || size == 0 || size > RawMidi::kMaxBytes) {
    droppedCount.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  Pending& p = pending[static_cast<size_t>(pendingCount++)];
  p.time = static_cast<int32_t>(time);
  p.message.size = static_cast<uint16_t>(size);
  std::memcpy(p.message.bytes, bytes, size);
}

bool MidiToHost::parameterFor(const RawMidi& m, uint32_t& id, double& value) const {
  const uint8_t kind = m.bytes[0] & 0xf0;
  const int channel = m.bytes[0] & 0x0f;
  const int data1 = m.size > 1 ? m.bytes[1] & 0x7f : 0;
  const int data2 = m.size > 2 ? m.bytes[2] & 0x7f : 0;
  int n;
  switch (kind) {
    case 0xb0: n = data1; value = data2 / 127.0; break;
    case 0xd0: n = 128; value = data1 / 127.0; break;
    case 0xe0: n = 129; value = ((data2 << 7) | data1) / 16383.0; break;
    case 0xc0: n = 130; value = data1 / 127.0; break;
    default: return false;
  }
  id = parameterIds[channel][n];
  return id != kNoParameter;
}

int32_t MidiToHost::fillBlock(host::PluginInstance& instance, int32_t start, int32_t end) {
  instance.clearInput();
  int parameters = 0;
  while (cursor < pendingCount) {
    Pending& p = pending[static_cast<size_t>(cursor)];
    const int32_t time = std::max(p.time, start);
    if (time >= end) break;
    const RawMidi& m = p.message;
    const int32_t offset = time - start;
    const uint8_t kind = m.bytes[0] & 0xf0;
    const int16 channel = static_cast<int16>(m.bytes[0] & 0x0f);
    uint32_t id = 0;
    double value = 0.0;
    if ((kind == 0x90 || kind == 0x80) && m.size >= 3) {
      const int16 key = m.bytes[1] & 0x7f;
      const float velocity = (m.bytes[2] & 0x7f) / 127.0f;
      if (kind == 0x90 && velocity > 0.0f)
        instance.events().addNoteOn(offset, channel, key, velocity);
      else
        instance.events().addNoteOff(offset, channel, key, velocity);
    } else if (m.bytes[0] == 0xf0) {
      Event e{};
      e.type = Event::kDataEvent;
      e.sampleOffset = offset;
      e.data.type = DataEvent::kMidiSysEx;
      e.data.size = m.size;
      e.data.bytes = m.bytes;
      instance.events().addEvent(e);
    } else if (parameterFor(m, id, value)) {
      if (instance.changes().contains(id)) {
        if (time > start) return time;  // the second value starts the next block
      } else if (parameters == kMaxParameters) {
        droppedCount.fetch_add(1, std::memory_order_relaxed);
        ++cursor;
        continue;
      } else {
        ++parameters;
      }
      instance.changes().add(id, offset, value);
    }
    ++cursor;
  }
  return end;
}

}  // namespace ovri::korvane::standalone

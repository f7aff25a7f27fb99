#include "engine/MidiEvent.h"

namespace ovri::korvane {

void MidiMessage::reset() {
  status = 0x80;
  channel = 0;
  data1 = 0;
  data2 = 0;
  sysexLength = 0;  // the payload bytes themselves are left as they are
}

void MidiEvent::reset() {
  MidiMessage::reset();
  portMask = kDefaultPortMask;
  next = nullptr;
  sampleOffset = 0;
}

}  // namespace ovri::korvane

#include "host/HostEventList.h"

namespace ovri::korvane::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

HostEventList::HostEventList() {
  events.reserve(1024);
  payloads.reserve(64);
}

void HostEventList::clear() {
  events.clear();
  payloads.clear();
}

void HostEventList::addNoteOn(int32_t offset, int16_t channel, int16_t pitch, float velocity) {
  Event e{};
  e.type = Event::kNoteOnEvent;
  e.sampleOffset = offset;
  e.noteOn.channel = channel;
  e.noteOn.pitch = pitch;
  e.noteOn.velocity = velocity;
  e.noteOn.noteId = -1;
  events.push_back(e);
}

void HostEventList::addNoteOff(int32_t offset, int16_t channel, int16_t pitch, float velocity) {
  Event e{};
  e.type = Event::kNoteOffEvent;
  e.sampleOffset = offset;
  e.noteOff.channel = channel;
  e.noteOff.pitch = pitch;
  e.noteOff.velocity = velocity;
  e.noteOff.noteId = -1;
  events.push_back(e);
}

void HostEventList::addSysEx(int32_t offset, const uint8_t* bytes, uint32_t size) {
  payloads.emplace_back(bytes, bytes + size);
  Event e{};
  e.type = Event::kDataEvent;
  e.sampleOffset = offset;
  e.data.type = DataEvent::kMidiSysEx;
  e.data.size = size;
  e.data.bytes = payloads.back().data();
  events.push_back(e);
}

int32 PLUGIN_API HostEventList::getEventCount() { return static_cast<int32>(events.size()); }

tresult PLUGIN_API HostEventList::getEvent(int32 index, Event& e) {
  if (index < 0 || index >= static_cast<int32>(events.size())) return kInvalidArgument;
  e = events[static_cast<size_t>(index)];
  return kResultOk;
}

tresult PLUGIN_API HostEventList::addEvent(Event& e) {
  events.push_back(e);
  return kResultOk;
}

tresult PLUGIN_API HostEventList::queryInterface(const TUID iid, void** obj) {
  if (FUnknownPrivate::iidEqual(iid, IEventList::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    *obj = static_cast<IEventList*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

}  // namespace ovri::korvane::host

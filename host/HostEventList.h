#pragma once

#include "pluginterfaces/vst/ivstevents.h"

#include <cstdint>
#include <vector>

namespace ovri::korvane::host {

// The events a host hands to one process call. Owned by the host (not
// reference counted); system-exclusive bytes are copied and stay valid
// until clear().
class HostEventList : public Steinberg::Vst::IEventList {
public:
  HostEventList();
  virtual ~HostEventList() = default;

  void clear();
  void addNoteOn(int32_t offset, int16_t channel, int16_t pitch, float velocity);
  void addNoteOff(int32_t offset, int16_t channel, int16_t pitch, float velocity = 0.0f);
  // bytes: the whole message, F0 ... F7.
  void addSysEx(int32_t offset, const uint8_t* bytes, uint32_t size);

  // IEventList
  Steinberg::int32 PLUGIN_API getEventCount() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index, Steinberg::Vst::Event& e) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) SMTG_OVERRIDE;

  // FUnknown (the list lives as long as its owner says).
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
  Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
  std::vector<Steinberg::Vst::Event> events;
  std::vector<std::vector<uint8_t>> payloads;  // moving a vector keeps its bytes in place
};

}  // namespace ovri::korvane::host

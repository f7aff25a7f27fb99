#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>
#include <utility>
#include <vector>

namespace ovri::korvane::host {

// One parameter's points in a block, in the order they were added.
class HostParamValueQueue : public Steinberg::Vst::IParamValueQueue {
public:
  explicit HostParamValueQueue(Steinberg::Vst::ParamID id = 0) : paramId(id) {}
  virtual ~HostParamValueQueue() = default;

  void reset(Steinberg::Vst::ParamID id);

  Steinberg::Vst::ParamID PLUGIN_API getParameterId() SMTG_OVERRIDE { return paramId; }
  Steinberg::int32 PLUGIN_API getPointCount() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset, Steinberg::Vst::ParamValue value,
                                         Steinberg::int32& index) SMTG_OVERRIDE;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
  Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
  Steinberg::Vst::ParamID paramId;
  std::vector<std::pair<Steinberg::int32, Steinberg::Vst::ParamValue>> points;
};

// The parameter changes a host hands to one process call: one queue per
// parameter, in the order the parameters were first changed.
class HostParameterChanges : public Steinberg::Vst::IParameterChanges {
public:
  virtual ~HostParameterChanges() = default;

  void clear() { used = 0; }
  // Adds a point to the parameter's queue (creating the queue).
  void add(Steinberg::Vst::ParamID id, Steinberg::int32 offset, Steinberg::Vst::ParamValue value);
  bool contains(Steinberg::Vst::ParamID id) const;

  Steinberg::int32 PLUGIN_API getParameterCount() SMTG_OVERRIDE { return used; }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) SMTG_OVERRIDE;
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) SMTG_OVERRIDE;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
  Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
  // Queues are kept across blocks and reused; the first `used` are live.
  std::vector<std::unique_ptr<HostParamValueQueue>> queues;
  Steinberg::int32 used = 0;
};

}  // namespace ovri::korvane::host

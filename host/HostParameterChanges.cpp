#include "host/HostParameterChanges.h"

namespace ovri::korvane::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

void HostParamValueQueue::reset(ParamID id) {
  paramId = id;
  points.clear();
}

int32 PLUGIN_API HostParamValueQueue::getPointCount() { return static_cast<int32>(points.size()); }

tresult PLUGIN_API HostParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
  if (index < 0 || index >= static_cast<int32>(points.size())) return kResultFalse;
  sampleOffset = points[static_cast<size_t>(index)].first;
  value = points[static_cast<size_t>(index)].second;
  return kResultOk;
}

tresult PLUGIN_API HostParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
  index = static_cast<int32>(points.size());
  points.emplace_back(sampleOffset, value);
  return kResultOk;
}

tresult PLUGIN_API HostParamValueQueue::queryInterface(const TUID iid, void** obj) {
  if (FUnknownPrivate::iidEqual(iid, IParamValueQueue::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    *obj = static_cast<IParamValueQueue*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

void HostParameterChanges::add(ParamID id, int32 offset, ParamValue value) {
  int32 index = 0;
  IParamValueQueue* queue = addParameterData(id, index);
  int32 pointIndex = 0;
  queue->addPoint(offset, value, pointIndex);
}

bool HostParameterChanges::contains(ParamID id) const {
  for (int32 i = 0; i < used; ++i)
    if (queues[static_cast<size_t>(i)]->getParameterId() == id) return true;
  return false;
}

IParamValueQueue* PLUGIN_API HostParameterChanges::getParameterData(int32 index) {
  if (index < 0 || index >= used) return nullptr;
  return queues[static_cast<size_t>(index)].get();
}

IParamValueQueue* PLUGIN_API HostParameterChanges::addParameterData(const ParamID& id, int32& index) {
  for (int32 i = 0; i < used; ++i) {
    if (queues[static_cast<size_t>(i)]->getParameterId() == id) {
      index = i;
      return queues[static_cast<size_t>(i)].get();
    }
  }
  if (used == static_cast<int32>(queues.size())) queues.push_back(std::make_unique<HostParamValueQueue>());
  HostParamValueQueue* queue = queues[static_cast<size_t>(used)].get();
  queue->reset(id);
  index = used++;
  return queue;
}

tresult PLUGIN_API HostParameterChanges::queryInterface(const TUID iid, void** obj) {
  if (FUnknownPrivate::iidEqual(iid, IParameterChanges::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    *obj = static_cast<IParameterChanges*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

}  // namespace ovri::korvane::host

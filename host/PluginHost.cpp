#include "host/PluginHost.h"

#include <pixman.h>

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace ovri::korvane::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

// Reference counting and the interface query of a host object that offers
// one interface.
template <typename Interface> class SingleInterfaceObject : public Interface {
public:
  virtual ~SingleInterfaceObject() = default;
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE {
    if (FUnknownPrivate::iidEqual(iid, Interface::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      addRef();
      *obj = static_cast<Interface*>(this);
      return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return ++refCount; }
  uint32 PLUGIN_API release() SMTG_OVERRIDE {
    const uint32 left = --refCount;
    if (left == 0) delete this;
    return left;
  }

private:
  uint32 refCount = 1;
};

namespace {

constexpr const char* kLinuxArchFolder = "x86_64-linux";

using ModuleEntryFunc = bool (*)(void*);
using ModuleExitFunc = bool (*)();

template <typename I>
I* queryAs(FUnknown* object) {
  if (object == nullptr) return nullptr;
  void* result = nullptr;
  if (object->queryInterface(I::iid, &result) != kResultOk) return nullptr;
  return static_cast<I*>(result);
}

template <typename I>
void releaseAndClear(I*& object) {
  if (object != nullptr) object->release();
  object = nullptr;
}

// What a host offers the controller for reporting edits; edits are
// accepted and dropped.
class NullComponentHandler : public SingleInterfaceObject<IComponentHandler> {
public:
  tresult PLUGIN_API beginEdit(ParamID) SMTG_OVERRIDE { return kResultOk; }
  tresult PLUGIN_API performEdit(ParamID, ParamValue) SMTG_OVERRIDE { return kResultOk; }
  tresult PLUGIN_API endEdit(ParamID) SMTG_OVERRIDE { return kResultOk; }
  tresult PLUGIN_API restartComponent(int32) SMTG_OVERRIDE { return kResultOk; }
};

}  // namespace

// The processor's peer connection: each message goes to the observer, when
// one is set, and then on to the controller.
class MessageRelay : public SingleInterfaceObject<IConnectionPoint> {
public:
  explicit MessageRelay(IConnectionPoint* target) : target(target) {}
  void setObserver(PluginInstance::MessageObserver function) { observer = std::move(function); }
  // After this the relay passes nothing on.
  void detach() {
    target = nullptr;
    observer = nullptr;
  }
  tresult PLUGIN_API connect(IConnectionPoint*) SMTG_OVERRIDE { return kResultOk; }
  tresult PLUGIN_API disconnect(IConnectionPoint*) SMTG_OVERRIDE { return kResultOk; }
  tresult PLUGIN_API notify(IMessage* message) SMTG_OVERRIDE {
    if (message == nullptr) return kInvalidArgument;
    if (observer) observer(*message);
    return target != nullptr ? target->notify(message) : kResultFalse;
  }

private:
  IConnectionPoint* target;  // the controller's connection, held by the instance
  PluginInstance::MessageObserver observer;
};

std::string bundleLibraryPath(const std::string& path) {
  std::string bundle = path;
  while (bundle.size() > 1 && bundle.back() == '/') bundle.pop_back();
  if (bundle.size() >= 3 && bundle.compare(bundle.size() - 3, 3, ".so") == 0) return bundle;
  const size_t slash = bundle.find_last_of('/');
  std::string stem = slash == std::string::npos ? bundle : bundle.substr(slash + 1);
  const size_t dot = stem.rfind('.');
  if (dot != std::string::npos) stem.resize(dot);
  return bundle + "/Contents/" + kLinuxArchFolder + "/" + stem + ".so";
}

std::unique_ptr<PluginModule> PluginModule::load(const std::string& path, std::string& error) {
  // As in a desktop host, the pixel library the plug-in's editor draws
  // with stays loaded for the life of the process: it sets itself up when
  // loaded and never frees that, so unloading it with every plug-in would
  // leak a little each time (and leak checkers would say so).
  static const int pixelLibrary = pixman_version();
  (void)pixelLibrary;
  std::unique_ptr<PluginModule> module(new PluginModule);
  module->libraryPath = bundleLibraryPath(path);
  module->handle = dlopen(module->libraryPath.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (module->handle == nullptr) {
    const char* message = dlerror();
    error = "cannot load " + module->libraryPath + ": " + (message != nullptr ? message : "unknown error");
    return nullptr;
  }
  auto entry = reinterpret_cast<ModuleEntryFunc>(module->findSymbol("ModuleEntry"));
  if (entry == nullptr) {
    error = module->libraryPath + " exports no ModuleEntry";
    return nullptr;
  }
  if (!entry(module->handle)) {
    error = "ModuleEntry of " + module->libraryPath + " failed";
    return nullptr;
  }
  module->entered = true;
  auto getFactory = reinterpret_cast<GetFactoryProc>(module->findSymbol("GetPluginFactory"));
  if (getFactory == nullptr) {
    error = module->libraryPath + " exports no GetPluginFactory";
    return nullptr;
  }
  module->factory = getFactory();
  if (module->factory == nullptr) {
    error = "GetPluginFactory of " + module->libraryPath + " returned nothing";
    return nullptr;
  }
  // The SDK's host application is not reference counted: it is deleted
  // here, after the factory that may hold it is gone.
  module->hostApplication = new HostApplication;
  if (auto factory3 = queryAs<IPluginFactory3>(module->factory)) {
    factory3->setHostContext(module->getHostContext());
    factory3->release();
  }
  return module;
}

FUnknown* PluginModule::getHostContext() const { return hostApplication; }

PluginModule::~PluginModule() {
  releaseAndClear(factory);
  delete hostApplication;
  if (entered) {
    if (auto exitFunc = reinterpret_cast<ModuleExitFunc>(findSymbol("ModuleExit"))) exitFunc();
  }
  if (handle != nullptr) dlclose(handle);
}

void* PluginModule::findSymbol(const char* name) const { return handle != nullptr ? dlsym(handle, name) : nullptr; }

bool PluginModule::findClass(const char* category, TUID cid) const {
  if (factory == nullptr) return false;
  const int32 count = factory->countClasses();
  for (int32 i = 0; i < count; ++i) {
    PClassInfo info;
    if (factory->getClassInfo(i, &info) != kResultOk) continue;
    if (std::strcmp(info.category, category) == 0) {
      std::memcpy(cid, info.cid, sizeof(TUID));
      return true;
    }
  }
  return false;
}

std::unique_ptr<PluginInstance> PluginInstance::create(PluginModule& module, std::string& error) {
  IPluginFactory* factory = module.getFactory();
  TUID componentId;
  if (!module.findClass(kVstAudioEffectClass, componentId)) {
    error = "the module has no audio processor class";
    return nullptr;
  }
  std::unique_ptr<PluginInstance> instance(new PluginInstance);
  FUnknown* hostContext = module.getHostContext();

  void* object = nullptr;
  if (factory->createInstance(componentId, IComponent::iid, &object) != kResultOk || object == nullptr) {
    error = "the factory did not create the component";
    return nullptr;
  }
  instance->component = static_cast<IComponent*>(object);
  if (instance->component->initialize(hostContext) != kResultOk) {
    error = "the component refused initialize";
    return nullptr;
  }
  instance->componentInitialized = true;
  instance->processor = queryAs<IAudioProcessor>(instance->component);
  if (instance->processor == nullptr) {
    error = "the component is no audio processor";
    return nullptr;
  }

  TUID controllerId;
  if (instance->component->getControllerClassId(controllerId) == kResultOk) {
    object = nullptr;
    if (factory->createInstance(controllerId, IEditController::iid, &object) == kResultOk)
      instance->controller = static_cast<IEditController*>(object);
  } else {
    instance->controller = queryAs<IEditController>(instance->component);  // single-object plug-in
  }
  if (instance->controller == nullptr) {
    error = "no edit controller";
    return nullptr;
  }
  if (instance->controller->initialize(hostContext) != kResultOk) {
    error = "the controller refused initialize";
    return nullptr;
  }
  instance->controllerInitialized = true;
  instance->componentHandler = new NullComponentHandler;
  instance->controller->setComponentHandler(static_cast<IComponentHandler*>(instance->componentHandler));
  instance->midiMapping = queryAs<IMidiMapping>(instance->controller);
  instance->connect();

  // The component's state goes to the controller, as after loading a
  // project; a controller that keeps no state may decline it.
  auto* stream = new MemoryStream;
  if (instance->component->getState(stream) == kResultOk) {
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    instance->controller->setComponentState(stream);
  }
  stream->release();
  return instance;
}

void PluginInstance::connect() {
  componentConnection = queryAs<IConnectionPoint>(component);
  controllerConnection = queryAs<IConnectionPoint>(controller);
  if (componentConnection != nullptr && controllerConnection != nullptr) {
    relay = new MessageRelay(controllerConnection);
    componentConnection->connect(relay);
    controllerConnection->connect(componentConnection);
  }
}

void PluginInstance::setMessageObserver(MessageObserver observer) {
  if (relay != nullptr) relay->setObserver(std::move(observer));
}

tresult PluginInstance::notifyProcessor(IMessage* message) {
  return componentConnection != nullptr ? componentConnection->notify(message) : kResultFalse;
}

PluginInstance::~PluginInstance() {
  stop();
  if (componentConnection != nullptr && controllerConnection != nullptr) {
    componentConnection->disconnect(relay);
    controllerConnection->disconnect(componentConnection);
  }
  if (relay != nullptr) {
    relay->detach();
    relay->release();
    relay = nullptr;
  }
  releaseAndClear(componentConnection);
  releaseAndClear(controllerConnection);
  releaseAndClear(midiMapping);
  if (controller != nullptr) {
    controller->setComponentHandler(nullptr);
    if (controllerInitialized) controller->terminate();
  }
  if (component != nullptr && componentInitialized) component->terminate();
  releaseAndClear(processor);
  releaseAndClear(controller);
  releaseAndClear(component);
  releaseAndClear(componentHandler);
}

bool PluginInstance::start(const ProcessOptions& options, std::string& error) {
  stop();
  ProcessSetup setup{options.processMode, kSample32, options.maxBlockSize, options.sampleRate};
  if (processor->setupProcessing(setup) != kResultOk) {
    error = "setupProcessing refused";
    return false;
  }
  const int32 busCount = component->getBusCount(kAudio, kOutput);
  for (int32 i = 0; i < busCount; ++i) component->activateBus(kAudio, kOutput, i, true);
  const int32 eventBuses = component->getBusCount(kEvent, kInput);
  for (int32 i = 0; i < eventBuses; ++i) component->activateBus(kEvent, kInput, i, true);

  frames = options.bufferFrames > 0 ? options.bufferFrames : options.maxBlockSize;
  outputs.assign(static_cast<size_t>(busCount), AudioBusBuffers{});
  channelPointers.assign(static_cast<size_t>(busCount), {});
  size_t channelTotal = 0;
  std::vector<int32> channelCounts(static_cast<size_t>(busCount), 0);
  for (int32 i = 0; i < busCount; ++i) {
    BusInfo info{};
    component->getBusInfo(kAudio, kOutput, i, info);
    channelCounts[static_cast<size_t>(i)] = i < options.connectedOutputs ? info.channelCount : 0;
    channelTotal += static_cast<size_t>(channelCounts[static_cast<size_t>(i)]);
  }
  storage.assign(channelTotal * static_cast<size_t>(frames), 0.0f);
  float* next = storage.data();
  for (int32 i = 0; i < busCount; ++i) {
    AudioBusBuffers& bus = outputs[static_cast<size_t>(i)];
    const int32 channels = channelCounts[static_cast<size_t>(i)];
    bus.numChannels = channels;
    for (int32 c = 0; c < channels; ++c, next += frames) channelPointers[static_cast<size_t>(i)].push_back(next);
    bus.channelBuffers32 = channels > 0 ? channelPointers[static_cast<size_t>(i)].data() : nullptr;
  }

  context = ProcessContext{};
  context.state = ProcessContext::kPlaying;
  context.sampleRate = options.sampleRate;
  data = ProcessData{};
  data.processMode = options.processMode;
  data.symbolicSampleSize = kSample32;
  data.numInputs = 0;
  data.inputs = nullptr;
  data.numOutputs = busCount;
  data.outputs = outputs.data();
  data.inputParameterChanges = &parameterChanges;
  data.inputEvents = &eventList;
  data.processContext = &context;

  if (component->setActive(true) != kResultOk) {
    error = "setActive(true) refused";
    return false;
  }
  active = true;
  // A processor may leave setProcessing unimplemented.
  processor->setProcessing(true);
  processing = true;
  return true;
}

void PluginInstance::stop() {
  if (processing) processor->setProcessing(false);
  processing = false;
  if (active) component->setActive(false);
  active = false;
}

tresult PluginInstance::process(int32 numSamples) {
  if (numSamples < 0 || numSamples > frames) return kInvalidArgument;
  data.numSamples = numSamples;
  const tresult result = processor->process(data);
  context.projectTimeSamples += numSamples;
  context.continousTimeSamples += numSamples;
  return result;
}

void PluginInstance::clearInput() {
  eventList.clear();
  parameterChanges.clear();
}

const float* PluginInstance::output(int32 bus, int32 channel) const {
  if (bus < 0 || bus >= static_cast<int32>(outputs.size())) return nullptr;
  const AudioBusBuffers& buffers = outputs[static_cast<size_t>(bus)];
  if (channel < 0 || channel >= buffers.numChannels || buffers.channelBuffers32 == nullptr) return nullptr;
  return buffers.channelBuffers32[channel];
}

}  // namespace ovri::korvane::host

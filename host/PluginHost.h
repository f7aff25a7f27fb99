#pragma once

#include "host/HostEventList.h"
#include "host/HostParameterChanges.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Steinberg::Vst {
class HostApplication;
}

namespace ovri::korvane::host {

// A VST 3 module loaded the way a Linux host loads it: the bundle's
// Contents/x86_64-linux/<name>.so is opened with dlopen, ModuleEntry is
// called with the handle and the factory fetched with GetPluginFactory.
// The factory is given a host application as its context. Destruction
// releases the factory, calls ModuleExit and closes the file.
class PluginModule {
public:
  // path: a .vst3 bundle folder, or the .so itself.
  static std::unique_ptr<PluginModule> load(const std::string& path, std::string& error);
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  Steinberg::IPluginFactory* getFactory() const { return factory; }
  // The host application object every instance of the module is given;
  // it lives as long as the module (the factory may keep it).
  Steinberg::FUnknown* getHostContext() const;
  void* getHandle() const { return handle; }
  const std::string& getLibraryPath() const { return libraryPath; }
  void* findSymbol(const char* name) const;
  // The class ID of the first class of the category; false if none.
  bool findClass(const char* category, Steinberg::TUID cid) const;

private:
  PluginModule() = default;

  std::string libraryPath;
  void* handle = nullptr;
  Steinberg::IPluginFactory* factory = nullptr;
  bool entered = false;  // ModuleEntry succeeded
  Steinberg::Vst::HostApplication* hostApplication = nullptr;
};

// Maps a bundle path to the shared object inside it (a .so path is kept).
std::string bundleLibraryPath(const std::string& path);

class MessageRelay;

struct ProcessOptions {
  double sampleRate = 44100.0;
  Steinberg::int32 maxBlockSize = 512;
  Steinberg::int32 processMode = Steinberg::Vst::kRealtime;
  // Frames per host output buffer; 0 = maxBlockSize. Larger values let a
  // caller hand over blocks longer than the maximum it announced.
  Steinberg::int32 bufferFrames = 0;
  // Outputs from this index on get no buffers (0 channels, null pointers),
  // as some hosts do for outputs they do not route.
  Steinberg::int32 connectedOutputs = 16;
};

// One instance of a module's audio processor with its edit controller,
// initialised and connected as a host does (the processor's messages reach
// the controller through a relay of the host, which can show them to an
// observer on the way). start() prepares processing;
// process() hands one block to the processor with the pending events and
// parameter changes; the destructor (or stop()) takes it all down again.
class PluginInstance {
public:
  static std::unique_ptr<PluginInstance> create(PluginModule& module, std::string& error);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  // setupProcessing, bus activation, setActive(true), setProcessing(true).
  bool start(const ProcessOptions& options, std::string& error);
  // setProcessing(false), setActive(false); start() may follow again.
  void stop();

  // One block of numSamples (at most the buffer frames). Events and changes
  // are passed as they are; clear them for the next block.
  Steinberg::tresult process(Steinberg::int32 numSamples);
  HostEventList& events() { return eventList; }
  HostParameterChanges& changes() { return parameterChanges; }
  void clearInput();

  Steinberg::int32 outputCount() const { return static_cast<Steinberg::int32>(outputs.size()); }
  // Null for an output the host does not connect.
  const float* output(Steinberg::int32 bus, Steinberg::int32 channel) const;
  Steinberg::int32 bufferFrames() const { return frames; }
  Steinberg::Vst::ProcessData& processData() { return data; }

  // Called with every message the processor sends, before the controller
  // gets it; the message lives only for the call. An empty function ends
  // the observation.
  using MessageObserver = std::function<void(Steinberg::Vst::IMessage& message)>;
  void setMessageObserver(MessageObserver observer);
  // Hands a message to the processor as its controller would; kResultFalse
  // when the processor takes no messages.
  Steinberg::tresult notifyProcessor(Steinberg::Vst::IMessage* message);
  // Whether the processor has a connection point to send messages to.
  bool takesMessages() const { return componentConnection != nullptr; }

  Steinberg::Vst::IComponent* component = nullptr;
  Steinberg::Vst::IAudioProcessor* processor = nullptr;
  Steinberg::Vst::IEditController* controller = nullptr;
  Steinberg::Vst::IMidiMapping* midiMapping = nullptr;  // null if the controller has none

private:
  PluginInstance() = default;
  void connect();

  Steinberg::FUnknown* componentHandler = nullptr;
  Steinberg::Vst::IConnectionPoint* componentConnection = nullptr;
  Steinberg::Vst::IConnectionPoint* controllerConnection = nullptr;
  MessageRelay* relay = nullptr;  // the processor's peer; passes messages on to the controller
  bool componentInitialized = false;
  bool controllerInitialized = false;
  bool active = false;
  bool processing = false;

  Steinberg::int32 frames = 0;
  std::vector<float> storage;
  std::vector<std::vector<float*>> channelPointers;
  std::vector<Steinberg::Vst::AudioBusBuffers> outputs;
  Steinberg::Vst::ProcessContext context{};
  Steinberg::Vst::ProcessData data{};
  HostEventList eventList;
  HostParameterChanges parameterChanges;
};

}  // namespace ovri::korvane::host

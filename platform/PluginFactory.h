#pragma once

#include "pluginterfaces/base/ipluginbase.h"

#include <atomic>
#include <vector>

namespace Steinberg {

// The module's class factory: holds the factory information and the
// registered classes, in registration order, and creates instances of them.
// Answers for IPluginFactory, IPluginFactory2 and IPluginFactory3.
class CPluginFactory : public IPluginFactory3 {
public:
  // Makes a new instance with a reference count of 1, returned as the
  // interface the class registers itself with.
  using CreateFunction = FUnknown* (*)(void* context);

  explicit CPluginFactory(const PFactoryInfo& info);
  virtual ~CPluginFactory();
  CPluginFactory(const CPluginFactory&) = delete;
  CPluginFactory& operator=(const CPluginFactory&) = delete;

  // Each returns false when a class with the same class ID is already
  // registered or the create function is missing.
  bool registerClass(const PClassInfo* info, CreateFunction create, void* context = nullptr);
  bool registerClass(const PClassInfo2* info, CreateFunction create, void* context = nullptr);
  bool registerClass(const PClassInfoW* info, CreateFunction create, void* context = nullptr);
  bool isClassRegistered(const TUID cid) const;

  // FUnknown
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
  uint32 PLUGIN_API addRef() SMTG_OVERRIDE;
  uint32 PLUGIN_API release() SMTG_OVERRIDE;

  // IPluginFactory
  tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) SMTG_OVERRIDE;
  int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
  tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE;
  tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) SMTG_OVERRIDE;
  // IPluginFactory2
  tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE;
  // IPluginFactory3
  tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) SMTG_OVERRIDE;
  tresult PLUGIN_API setHostContext(FUnknown* context) SMTG_OVERRIDE;

private:
  // A class as registered, kept in both the 8-bit and the UTF-16 form.
  struct ClassEntry {
    PClassInfo2 info8;
    PClassInfoW info16;
    CreateFunction create;
    void* context;
  };

  bool addEntry(const ClassEntry& entry);
  const ClassEntry* entryAt(int32 index) const;

  std::atomic<uint32> refCount{1};
  PFactoryInfo factoryInfo;
  std::vector<ClassEntry> classes;
  FUnknown* hostContext = nullptr;  // held with a reference
};

// The one factory of this module, or null before the first GetPluginFactory
// call (and after the host released it for the last time).
extern CPluginFactory* gPluginFactory;

}  // namespace Steinberg

#include "platform/PluginFactory.h"

#include <cstring>

namespace Steinberg {

CPluginFactory* gPluginFactory = nullptr;

namespace {

// Copies a zero-terminated UTF-8 string into a UTF-16 field of capacity
// code units, always terminating it. Malformed bytes become U+FFFD; code
// points above the basic plane become surrogate pairs.
void utf8ToUtf16(char16* dest, const char8* src, int32 capacity) {
  const auto* s = reinterpret_cast<const unsigned char*>(src);
  int32 n = 0;
  while (*s != 0 && n < capacity - 1) {
    uint32 cp = 0xFFFD;
    int extra = 0;
    if (*s < 0x80) {
      cp = *s;
    } else if ((*s & 0xE0) == 0xC0) {
      cp = *s & 0x1F;
      extra = 1;
    } else if ((*s & 0xF0) == 0xE0) {
      cp = *s & 0x0F;
      extra = 2;
    } else if ((*s & 0xF8) == 0xF0) {
      cp = *s & 0x07;
      extra = 3;
    }
    ++s;
    for (; extra > 0; --extra, ++s) {
      if ((*s & 0xC0) != 0x80) {
        cp = 0xFFFD;
        break;
      }
      cp = (cp << 6) | (*s & 0x3F);
    }
    if (cp >= 0x10000) {
      if (n + 2 > capacity - 1) break;
      cp -= 0x10000;
      dest[n++] = static_cast<char16>(0xD800 + (cp >> 10));
      dest[n++] = static_cast<char16>(0xDC00 + (cp & 0x3FF));
    } else {
      dest[n++] = static_cast<char16>(cp);
    }
  }
  dest[n] = 0;
}

// The reverse for the 8-bit class record: UTF-16 to UTF-8, terminated.
void utf16ToUtf8(char8* dest, const char16* src, int32 capacity) {
  int32 n = 0;
  for (; *src != 0; ++src) {
    uint32 cp = static_cast<uint16>(*src);
    if (cp >= 0xD800 && cp < 0xDC00 && src[1] >= 0xDC00 && src[1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint16>(src[1]) - 0xDC00);
      ++src;
    }
    char8 bytes[4];
    int len = 0;
    if (cp < 0x80) {
      bytes[len++] = static_cast<char8>(cp);
    } else if (cp < 0x800) {
      bytes[len++] = static_cast<char8>(0xC0 | (cp >> 6));
      bytes[len++] = static_cast<char8>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      bytes[len++] = static_cast<char8>(0xE0 | (cp >> 12));
      bytes[len++] = static_cast<char8>(0x80 | ((cp >> 6) & 0x3F));
      bytes[len++] = static_cast<char8>(0x80 | (cp & 0x3F));
    } else {
      bytes[len++] = static_cast<char8>(0xF0 | (cp >> 18));
      bytes[len++] = static_cast<char8>(0x80 | ((cp >> 12) & 0x3F));
      bytes[len++] = static_cast<char8>(0x80 | ((cp >> 6) & 0x3F));
      bytes[len++] = static_cast<char8>(0x80 | (cp & 0x3F));
    }
    if (n + len > capacity - 1) break;
    std::memcpy(dest + n, bytes, static_cast<size_t>(len));
    n += len;
  }
  dest[n] = 0;
}

void copyString8(char8* dest, const char8* src, size_t capacity) {
  size_t n = 0;
  for (; n + 1 < capacity && src[n] != 0; ++n) dest[n] = src[n];
  dest[n] = 0;
}

}  // namespace

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info) {}

CPluginFactory::~CPluginFactory() {
  if (gPluginFactory == this) gPluginFactory = nullptr;
  if (hostContext != nullptr) hostContext->release();
}

bool CPluginFactory::addEntry(const ClassEntry& entry) {
  if (entry.create == nullptr || isClassRegistered(entry.info8.cid)) return false;
  classes.push_back(entry);
  return true;
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunction create, void* context) {
  if (info == nullptr) return false;
  ClassEntry entry{};
  std::memcpy(entry.info8.cid, info->cid, sizeof(TUID));
  entry.info8.cardinality = info->cardinality;
  copyString8(entry.info8.category, info->category, sizeof entry.info8.category);
  copyString8(entry.info8.name, info->name, sizeof entry.info8.name);
  entry.info16.fromAscii(entry.info8);
  utf8ToUtf16(entry.info16.name, entry.info8.name, PClassInfo::kNameSize);
  entry.create = create;
  entry.context = context;
  return addEntry(entry);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction create, void* context) {
  if (info == nullptr) return false;
  ClassEntry entry{};
  entry.info8 = *info;
  entry.info16.fromAscii(entry.info8);
  utf8ToUtf16(entry.info16.name, info->name, PClassInfo::kNameSize);
  utf8ToUtf16(entry.info16.vendor, info->vendor, PClassInfoW::kVendorSize);
  utf8ToUtf16(entry.info16.version, info->version, PClassInfoW::kVersionSize);
  utf8ToUtf16(entry.info16.sdkVersion, info->sdkVersion, PClassInfoW::kVersionSize);
  entry.create = create;
  entry.context = context;
  return addEntry(entry);
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunction create, void* context) {
  if (info == nullptr) return false;
  ClassEntry entry{};
  entry.info16 = *info;
  std::memcpy(entry.info8.cid, info->cid, sizeof(TUID));
  entry.info8.cardinality = info->cardinality;
  copyString8(entry.info8.category, info->category, sizeof entry.info8.category);
  utf16ToUtf8(entry.info8.name, info->name, PClassInfo::kNameSize);
  entry.info8.classFlags = info->classFlags;
  copyString8(entry.info8.subCategories, info->subCategories, sizeof entry.info8.subCategories);
  utf16ToUtf8(entry.info8.vendor, info->vendor, PClassInfo2::kVendorSize);
  utf16ToUtf8(entry.info8.version, info->version, PClassInfo2::kVersionSize);
  utf16ToUtf8(entry.info8.sdkVersion, info->sdkVersion, PClassInfo2::kVersionSize);
  entry.create = create;
  entry.context = context;
  return addEntry(entry);
}

bool CPluginFactory::isClassRegistered(const TUID cid) const {
  for (const ClassEntry& entry : classes)
    if (std::memcmp(entry.info8.cid, cid, sizeof(TUID)) == 0) return true;
  return false;
}

const CPluginFactory::ClassEntry* CPluginFactory::entryAt(int32 index) const {
  if (index < 0 || index >= static_cast<int32>(classes.size())) return nullptr;
  return &classes[static_cast<size_t>(index)];
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj) {
  if (obj == nullptr) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) || FUnknownPrivate::iidEqual(iid, IPluginFactory::iid) ||
      FUnknownPrivate::iidEqual(iid, IPluginFactory2::iid) || FUnknownPrivate::iidEqual(iid, IPluginFactory3::iid)) {
    addRef();
    *obj = static_cast<IPluginFactory3*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef() { return ++refCount; }

uint32 PLUGIN_API CPluginFactory::release() {
  const uint32 remaining = --refCount;
  if (remaining == 0) delete this;
  return remaining;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
  if (info == nullptr) return kInvalidArgument;
  *info = factoryInfo;
  return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() { return static_cast<int32>(classes.size()); }

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
  const ClassEntry* entry = entryAt(index);
  if (info == nullptr) return kInvalidArgument;
  if (entry == nullptr) return kInvalidArgument;
  std::memcpy(info->cid, entry->info8.cid, sizeof(TUID));
  info->cardinality = entry->info8.cardinality;
  std::memcpy(info->category, entry->info8.category, sizeof info->category);
  std::memcpy(info->name, entry->info8.name, sizeof info->name);
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
  const ClassEntry* entry = entryAt(index);
  if (info == nullptr) return kInvalidArgument;
  if (entry == nullptr) return kInvalidArgument;
  *info = entry->info8;
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
  const ClassEntry* entry = entryAt(index);
  if (info == nullptr) return kInvalidArgument;
  if (entry == nullptr) return kInvalidArgument;
  *info = entry->info16;
  return kResultOk;
}

// The new instance is queried for the requested interface; the reference
// the create function handed over is dropped, so the caller ends up holding
// the only one. An unknown class or interface leaves *obj null.
tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
  if (obj == nullptr) return kInvalidArgument;
  *obj = nullptr;
  if (cid == nullptr || iid == nullptr) return kInvalidArgument;
  for (const ClassEntry& entry : classes) {
    if (std::memcmp(entry.info8.cid, cid, sizeof(TUID)) != 0) continue;
    FUnknown* instance = entry.create(entry.context);
    if (instance == nullptr) return kOutOfMemory;
    const tresult result = instance->queryInterface(iid, obj);
    instance->release();
    if (result != kResultOk) {
      *obj = nullptr;
      return kNoInterface;
    }
    return kResultOk;
  }
  return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* context) {
  if (context != nullptr) context->addRef();
  if (hostContext != nullptr) hostContext->release();
  hostContext = context;
  return kResultOk;
}

}  // namespace Steinberg

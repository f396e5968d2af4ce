#include "platform/runtime/Class.h"

#include <set>

#include "platform/foundation/Exception.h"
#include "platform/runtime/Protocol.h"

namespace platform::runtime {
namespace {

// One lock guards every class's method table, protocol list and the name registry. Writers are rare
// (registration, method replacement); dispatch reads go through the caches and never take it.
struct Registry {
  std::mutex mutex;
  std::map<std::string, Class*, std::less<>> registered;
  std::set<std::string, std::less<>> allocated;  // allocated, not yet registered or disposed
  std::vector<Class*> all;  // every class and metaclass ever made, registered or not: none is freed
};

Registry& registry() {
  static auto* instance = new Registry;  // classes outlive every static destructor
  return *instance;
}

void methodsChanged() { detail::gMethodsVersion.fetch_add(1, std::memory_order_acq_rel); }

}  // namespace

namespace detail {
std::atomic<std::uint64_t> gMethodsVersion{1};
}  // namespace detail

Class::Class(std::string name, Class* superclass, Class* metaclass, Image image)
    : Object(metaclass), name_(std::move(name)), superclass_(superclass), metaclass_(metaclass), image_(image) {}

Class* Class::root() {
  static Class* const rootClass = [] {
    auto* meta = new Class("NSObject", nullptr, nullptr, Image::Platform);
    meta->setClass(meta);
    auto* cls = new Class("NSObject", nullptr, meta, Image::Platform);
    cls->instanceSize_ = sizeof(Object);
    cls->nativeType_ = &typeid(Object);
    cls->factory_ = [] { return std::make_shared<Object>(); };
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    cls->registered_ = true;
    r.registered.emplace(cls->name_, cls);
    r.all.push_back(meta);
    r.all.push_back(cls);
    return cls;
  }();
  return rootClass;
}

Class* Class::named(std::string_view name) {
  root();  // the root class is always findable
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.registered.find(name);
  return it == r.registered.end() ? nullptr : it->second;
}

Class* Class::createPairLocked(Class* superclass, std::string_view name, Image image) {
  auto& r = registry();
  r.allocated.emplace(name);
  Class* rootMeta = superclass->metaclass_;  // the root class's metaclass ends the metaclass chain
  while (rootMeta->superclass_) rootMeta = rootMeta->superclass_;
  auto* meta = new Class(std::string(name), superclass->metaclass_, nullptr, image);
  meta->setClass(rootMeta);
  auto* cls = new Class(std::string(name), superclass, meta, image);
  cls->instanceSize_ = superclass->instanceSize_;
  r.all.push_back(meta);
  r.all.push_back(cls);
  return cls;
}

Class* Class::allocateClassPair(Class* superclass, std::string_view name, Image image) {
  if (!superclass) superclass = root();
  if (superclass->isMetaclass() || name.empty()) return nullptr;
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  if (r.registered.contains(name) || r.allocated.contains(name)) return nullptr;
  return createPairLocked(superclass, name, image);
}

void Class::registerClassPair(Class* cls) {
  if (!cls || cls->isMetaclass()) return;
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  if (cls->registered_ || cls->disposed_) return;
  r.allocated.erase(cls->name_);
  r.registered.emplace(cls->name_, cls);
  cls->registered_ = true;
}

bool Class::disposeClassPair(Class* cls) {
  if (!cls || cls->isMetaclass()) return false;
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  if (cls->registered_ || cls->disposed_) return false;
  r.allocated.erase(cls->name_);
  cls->disposed_ = true;
  return true;
}

Class* Class::declareNative(std::string_view name, Class* superclass, Image image, const std::type_info& type,
                            Factory factory, std::size_t instanceSize) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  if (auto it = r.registered.find(name); it != r.registered.end()) {
    Class* existing = it->second;
    if (existing->nativeType_ && *existing->nativeType_ == type) return existing;
    throw foundation::Exception("NSInternalInconsistencyException",
                                "the class name " + std::string(name) + " is taken by another class");
  }
  if (r.allocated.contains(name)) {
    throw foundation::Exception("NSInternalInconsistencyException",
                                "the class name " + std::string(name) + " is taken by another class");
  }
  Class* cls = createPairLocked(superclass, name, image);
  cls->nativeType_ = &type;
  cls->factory_ = std::move(factory);
  cls->instanceSize_ = instanceSize;
  r.allocated.erase(cls->name_);
  r.registered.emplace(cls->name_, cls);
  cls->registered_ = true;
  return cls;
}

bool Class::isRegistered() const {
  std::lock_guard lock(registry().mutex);
  return registered_;
}

bool Class::isSubclassOf(const Class* other) const {
  for (const Class* c = this; c; c = c->superclass_) {
    if (c == other) return true;
  }
  return false;
}

bool Class::addMethod(std::string_view selector, IMP imp) {
  if (!imp || selector.empty()) return false;
  std::lock_guard lock(registry().mutex);
  if (!methods_.emplace(std::string(selector), imp).second) return false;
  methodsChanged();
  return true;
}

IMP Class::replaceMethod(std::string_view selector, IMP imp) {
  if (!imp || selector.empty()) return nullptr;
  std::lock_guard lock(registry().mutex);
  IMP previous = nullptr;
  if (auto it = methods_.find(selector); it != methods_.end()) {
    previous = it->second;
    it->second = imp;
  } else {
    methods_.emplace(std::string(selector), imp);
  }
  methodsChanged();
  return previous;
}

IMP Class::ownMethod(std::string_view selector) const {
  std::lock_guard lock(registry().mutex);
  auto it = methods_.find(selector);
  return it == methods_.end() ? nullptr : it->second;
}

IMP Class::lookupLocked(std::string_view selector) const {
  for (const Class* c = this; c; c = c->superclass_) {
    if (auto it = c->methods_.find(selector); it != c->methods_.end()) return it->second;
  }
  return nullptr;
}

IMP Class::lookup(std::string_view selector) const {
  std::lock_guard lock(registry().mutex);
  return lookupLocked(selector);
}

std::vector<std::string> Class::ownMethodNames() const {
  std::lock_guard lock(registry().mutex);
  std::vector<std::string> names;
  for (const auto& [name, imp] : methods_) names.push_back(name);
  return names;
}

IMP Class::fillCache(std::string_view selector) const {
  std::lock_guard lock(registry().mutex);
  IMP imp = lookupLocked(selector);
  const std::uint64_t version = detail::gMethodsVersion.load(std::memory_order_relaxed);
  Cache* current = caches_.empty() ? nullptr : caches_.back().get();
  if (current && current->version == version) {
    IMP cached = nullptr;
    if (current->find(selector, cached)) return cached;  // another thread filled it meanwhile
    if (current->hasRoomForOneMore()) {
      current->insert(selector, imp);
      return imp;
    }
  }
  const bool keep = current && current->version == version;
  auto grown = std::make_unique<Cache>(version, keep ? (current->mask + 1) * 2 : 16);
  if (keep) {
    for (std::size_t i = 0; i <= current->mask; ++i) {
      const auto& e = current->entries[i];
      if (const char* key = e.key.load(std::memory_order_relaxed)) grown->insert({key, e.length}, e.imp);
    }
  }
  grown->insert(selector, imp);
  cache_.store(grown.get(), std::memory_order_release);
  caches_.push_back(std::move(grown));
  return imp;
}

bool Class::addIvar(InstanceVariable ivar) {
  if (isMetaclass() || ivar.name().empty()) return false;
  std::lock_guard lock(registry().mutex);
  for (const auto& known : ivars_) {
    if (known.name() == ivar.name()) return false;
  }
  ivars_.push_back(std::move(ivar));
  return true;
}

std::vector<InstanceVariable> Class::ivarList() const {
  std::lock_guard lock(registry().mutex);
  return ivars_;
}

bool Class::addProtocol(Protocol* protocol) {
  if (!protocol) return false;
  std::lock_guard lock(registry().mutex);
  for (Protocol* p : protocols_) {
    if (p == protocol) return false;
  }
  protocols_.push_back(protocol);
  return true;
}

bool Class::conformsTo(const Protocol* protocol) const {
  if (!protocol) return false;
  std::lock_guard lock(registry().mutex);
  for (const Class* c = this; c; c = c->superclass_) {
    for (const Protocol* p : c->protocols_) {
      if (p->conformsTo(protocol)) return true;
    }
  }
  return false;
}

std::shared_ptr<Object> Class::createInstance() const {
  if (isMetaclass()) return nullptr;
  for (const Class* c = this; c; c = c->superclass_) {
    if (c->factory_) {
      std::shared_ptr<Object> object = c->factory_();
      if (object && object->getClass() != this) object->setClass(const_cast<Class*>(this));
      return object;
    }
    if (c->nativeType_) return nullptr;  // that C++ type needs constructor arguments
  }
  return nullptr;
}

}  // namespace platform::runtime

#include "platform/runtime/Object.h"

#include <cstdio>

#include "platform/runtime/Class.h"

namespace platform::runtime {

Object::Object() : Object(Class::root()) {}

Object::Object(Class* cls) : isa_(cls) {}

Object::~Object() {
  // Associated values go with their owner; the map is ours alone by now.
  associations_.reset();
}

Class* Object::setClass(Class* cls) {
  if (!cls) return getClass();
  return isa_.exchange(cls, std::memory_order_acq_rel);
}

bool Object::isKindOf(const Class* cls) const { return cls && getClass()->isSubclassOf(cls); }

bool Object::respondsTo(std::string_view selector) const { return getClass()->instancesRespondTo(selector); }

bool Object::conformsTo(const Protocol* protocol) const { return getClass()->conformsTo(protocol); }

std::string Object::description() const {
  IMP imp = getClass()->cachedLookup(kDescription.name);
  if (imp && imp->signature() == signatureOf<std::string()>()) {
    // Implementations take a mutable receiver; objects live in non-const shared_ptrs, so this is sound.
    return static_cast<const TypedImplementation<std::string()>*>(imp)->call(const_cast<Object&>(*this));
  }
  return defaultDescription();
}

std::string Object::defaultDescription() const {
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
  return "<" + getClass()->name() + ": " + address + ">";
}

void setAssociated(Object& owner, const void* key, foundation::Value value, Association policy) {
  Object::Entry replaced;  // destroyed after the lock is released: its destructor may reach the owner
  std::lock_guard lock(owner.associationsMutex_);
  auto& slots = owner.associations_;
  if (value.isNil()) {
    if (!slots) return;
    if (auto it = slots->find(key); it != slots->end()) {
      replaced = std::move(it->second);
      slots->erase(it);
    }
    return;
  }
  if (!slots) slots = std::make_unique<std::map<const void*, Object::Entry>>();
  Object::Entry entry;
  if (policy == Association::Assign && value.isObject()) {
    entry.weak = value.object();
    entry.isWeak = true;
  } else {
    entry.strong = std::move(value);
  }
  auto& slot = (*slots)[key];
  replaced = std::exchange(slot, std::move(entry));
}

foundation::Value associated(const Object& owner, const void* key) {
  std::lock_guard lock(owner.associationsMutex_);
  if (!owner.associations_) return {};
  auto it = owner.associations_->find(key);
  if (it == owner.associations_->end()) return {};
  if (it->second.isWeak) return foundation::Value(it->second.weak.lock());
  return it->second.strong;
}

void removeAssociated(Object& owner) {
  std::unique_ptr<std::map<const void*, Object::Entry>> released;
  std::lock_guard lock(owner.associationsMutex_);
  released = std::move(owner.associations_);
}

}  // namespace platform::runtime

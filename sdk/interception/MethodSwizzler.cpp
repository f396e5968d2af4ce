#include "sdk/interception/MethodSwizzler.h"

#include <memory>

#include "platform/dispatch/Queue.h"
#include "sdk/interception/InterceptionMessageCodes.h"
#include "sdk/utilities/Logger.h"

namespace sdk::interception {

using platform::runtime::Class;
using platform::runtime::IMP;

namespace {

constexpr std::string_view kService = "[VadezeUtilities/Swizzler]";

platform::dispatch::Queue& swizzlerQueue() {
  static const auto queue = platform::dispatch::Queue::serial("com.vadeze.VDUSwizzler");
  return *queue;
}

// The class whose table a selector lives in: the metaclass for class methods.
Class* tableOwner(Class* cls, bool isClassSelector) {
  if (!cls) return nullptr;
  return isClassSelector ? cls->metaclass() : cls;
}

}  // namespace

bool MethodSwizzler::swizzleClass(Class* cls, std::string_view selector, bool isClassSelector, IMP implementation) {
  Class* owner = tableOwner(cls, isClassSelector);
  if (!owner || selector.empty() || !implementation) return false;
  bool installed = false;
  swizzlerQueue().sync([&] {
    IMP existing = owner->lookup(selector);
    if (!existing) {
      // Nothing tells what arguments such a method would take, so nothing could call it safely.
      sdk::utilities::logWarning(kService, false, messages::kMissingMethodCode, "Cannot replace %@%@ of %@: the class has no such method.",
                    isClassSelector ? "+" : "-", selector, cls->name());
      return;
    }
    if (existing->signature() != implementation->signature()) {
      sdk::utilities::logWarning(kService, false, messages::kOtherArgumentsCode,
                    "Cannot replace %@%@ of %@: the replacement takes other arguments than the method.",
                    isClassSelector ? "+" : "-", selector, cls->name());
      return;
    }
    owner->replaceMethod(selector, implementation);
    installed = true;
  });
  return installed;
}

IMP MethodSwizzler::currentImplementationForClass(Class* cls, std::string_view selector, bool isClassSelector) {
  Class* owner = tableOwner(cls, isClassSelector);
  if (!owner || selector.empty()) return nullptr;
  IMP current = nullptr;
  swizzlerQueue().sync([&] { current = owner->lookup(selector); });
  return current;
}

bool MethodSwizzler::selector(std::string_view selector, Class* existsInClass, bool isClassSelector) {
  Class* owner = tableOwner(existsInClass, isClassSelector);
  return owner && !selector.empty() && owner->lookup(selector) != nullptr;
}

platform::foundation::Array MethodSwizzler::ivarObjectsForObject(const std::shared_ptr<platform::runtime::Object>& object) {
  platform::foundation::Array objects;
  if (!object) return objects;
  for (const auto& ivar : object->getClass()->ivarList()) {
    if (!ivar.holdsObject()) continue;
    auto value = ivar.valueIn(*object);
    objects.push_back(value.isNil() ? platform::foundation::Value::null() : std::move(value));
  }
  return objects;
}

}  // namespace sdk::interception

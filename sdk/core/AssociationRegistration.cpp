#include "sdk/core/AssociationRegistration.h"

#include <map>
#include <mutex>

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

namespace sdk::core {

namespace {

using platform::foundation::Value;

// The host's registered objects; a key with no value yet is being made.
class Registry final : public platform::foundation::Object {
 public:
  std::map<std::string, std::optional<Value>> objects;
};

const char kRegistryKey = 0;

}  // namespace

Value AssociationRegistration::registeredObjectWithHost(platform::runtime::Object& host, const std::string& key,
                                                              const std::function<Value()>& creationBlock) {
  static std::recursive_mutex mutex;
  std::lock_guard lock(mutex);
  auto registry = platform::runtime::associated(host, &kRegistryKey).objectAs<Registry>();
  if (!registry) {
    registry = std::make_shared<Registry>();
    platform::runtime::setAssociated(host, &kRegistryKey, Value(registry));
  }
  if (auto found = registry->objects.find(key); found != registry->objects.end()) {
    if (!found->second) {
      throw platform::foundation::Exception("Reentering registeredObjectWithHost:key:creationBlock: not allowed",
                                            platform::foundation::format("host: %@ key: %@", host.description(), key));
    }
    return *found->second;
  }
  registry->objects[key] = std::nullopt;
  Value made;
  try {
    made = creationBlock ? creationBlock() : Value();
  } catch (...) {
    registry->objects.erase(key);
    throw;
  }
  if (made.isNil()) {
    registry->objects.erase(key);
  } else {
    registry->objects[key] = made;
  }
  return made;
}

}  // namespace sdk::core


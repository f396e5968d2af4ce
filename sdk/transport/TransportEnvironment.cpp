#include "sdk/transport/TransportEnvironment.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SystemFacts.h"
#include "sdk/transport/TargetRegistrar.h"

namespace sdk::transport {

std::string transportRootDirectory() {
  std::string root = platform::foundation::Paths::caches() + "/vadeze-sdks-events";
  (void)platform::foundation::AtomicFile::createDirectories(root);  // a failure shows up as a failed write later
  return root;
}

std::string currentDeviceModel() {
  static const std::string model = platform::foundation::SystemFacts::current().deviceModel.value_or("");
  return model;
}

std::shared_ptr<PromiseBasedEventStore> promiseBasedStoreForTarget(std::int64_t target) {
  auto storages = TargetRegistrar::sharedInstance()->targetToStorage();
  auto found = storages.find(target);
  if (found == storages.end()) return nullptr;
  return std::dynamic_pointer_cast<PromiseBasedEventStore>(found->second);
}

}  // namespace sdk::transport


#include "sdk/transport/VDTCORPlatform.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SystemFacts.h"
#include "sdk/transport/VDTCORRegistrar.h"

std::string VDTCORRootDirectory() {
  std::string root = platform::foundation::Paths::caches() + "/vadeze-sdks-events";
  platform::foundation::AtomicFile::createDirectories(root);
  return root;
}

std::string VDTCORDeviceModel() {
  static const std::string model = platform::foundation::SystemFacts::current().deviceModel.value_or("");
  return model;
}

std::shared_ptr<VDTCORStoragePromiseProtocol> VDTCORStoragePromiseInstanceForTarget(std::int64_t target) {
  auto storages = VDTCORRegistrar::sharedInstance()->targetToStorage();
  auto found = storages.find(target);
  if (found == storages.end()) return nullptr;
  return std::dynamic_pointer_cast<VDTCORStoragePromiseProtocol>(found->second);
}

#include "sdk/core/HeartbeatInfo.h"

#include <mutex>

#include "platform/foundation/Clock.h"
#include "sdk/utilities/HeartbeatDateStorage.h"

namespace sdk::core {

bool HeartbeatInfo::updateIfNeededHeartbeatDateForTag(const std::string& tag) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  auto storage = sdk::utilities::HeartbeatDateStorage::initWithFileName(kStorageFileName);
  if (!storage) return false;
  const double now = platform::foundation::Clock::current()->now();
  if (auto last = storage->heartbeatDateForTag(tag); last && now - *last < kPeriod) return false;
  return storage->setHeartbeatDate(now, tag);
}

HeartbeatInfo::Code HeartbeatInfo::heartbeatCodeForTag(const std::string& tag) {
  const bool library = updateIfNeededHeartbeatDateForTag(tag);
  const bool global = updateIfNeededHeartbeatDateForTag(kGlobalTag);
  if (library && global) return kCombined;
  if (library) return kSDK;
  if (global) return kGlobal;
  return kNone;
}

}  // namespace sdk::core


#include "sdk/analytics/engine/IdentitySettings.h"

#include <mutex>

namespace sdk::analytics {
namespace {

std::mutex& settingsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<const IdentitySettings>& installed() {
  static std::shared_ptr<const IdentitySettings> settings;
  return settings;
}

}  // namespace

std::shared_ptr<const IdentitySettings> IdentitySettings::current() {
  {
    std::lock_guard lock(settingsMutex());
    if (installed()) return installed();
  }
  static const auto defaults = std::make_shared<const IdentitySettings>();
  return defaults;
}

void IdentitySettings::setCurrent(std::shared_ptr<const IdentitySettings> settings) {
  std::lock_guard lock(settingsMutex());
  installed() = std::move(settings);
}

}  // namespace sdk::analytics

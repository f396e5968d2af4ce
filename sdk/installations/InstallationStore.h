#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "sdk/promises/Promise.h"
#include "sdk/utilities/KeychainStorage.h"
#include "sdk/utilities/UserDefaultsStore.h"

namespace sdk::installations {

// Each app's installation in the keychain, trusted only while a marker for it exists in the
// installations' own user defaults: the keychain outlives an uninstall, the defaults do not, so a
// record left from an earlier install is never read and the next save overwrites it. A marker lost
// with a damaged preferences file (kept aside by this process) is no sign of an earlier install: the
// record it vouched for is read and marked again, so the installation keeps its ID.
//
// The record is written before its marker and removed before its marker, so a crash in between
// leaves at worst an unmarked record, which reads as no installation. Both are on disk when a save
// or a removal reports success.
class InstallationStore {
 public:
  static constexpr const char* kUserDefaultsSuiteName = "com.vurevore.VURInstallations";
  static constexpr const char* kQueueLabel = "com.vurevore.VURInstallationsStore";

  InstallationStore(std::shared_ptr<sdk::utilities::KeychainStorage> secureStorage, std::optional<std::string> accessGroup);

  // Fulfils with a InstallationItem, or rejects with the not-found error (code 0) or the
  // keychain's error.
  sdk::promises::Promise::Ptr installationForAppID(const std::string& appID, const std::string& appName);
  // Fulfils with null.
  sdk::promises::Promise::Ptr saveInstallation(const std::shared_ptr<class InstallationItem>& item);
  sdk::promises::Promise::Ptr removeInstallationForAppID(const std::string& appID, const std::string& appName);
  // Fulfils with null when the marker exists, else rejects with the not-found error.
  sdk::promises::Promise::Ptr installationExistsForAppID(const std::string& appID, const std::string& appName);
  sdk::promises::Promise::Ptr setInstallationExists(bool exists, const std::string& identifier);

 private:
  std::shared_ptr<sdk::utilities::KeychainStorage> secureStorage_;
  std::optional<std::string> accessGroup_;
  std::shared_ptr<platform::dispatch::Queue> queue_;
  std::shared_ptr<sdk::utilities::UserDefaultsStore> userDefaults_;
};

}  // namespace sdk::installations


#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "sdk/promises/VBLPromise.h"
#include "sdk/utilities/VDUKeychainStorage.h"
#include "sdk/utilities/VDUUserDefaults.h"

// Each app's installation in the keychain, trusted only while a marker for it exists in the
// installations' own user defaults: the keychain outlives an uninstall, the defaults do not, so a
// record left from an earlier install is never read and the next save overwrites it.
//
// The record is written before its marker and removed before its marker, so a crash in between
// leaves at worst an unmarked record, which reads as no installation. Both are on disk when a save
// or a removal reports success.
class VURInstallationsStore {
 public:
  static constexpr const char* kUserDefaultsSuiteName = "com.vurevore.VURInstallations";
  static constexpr const char* kQueueLabel = "com.vurevore.VURInstallationsStore";

  VURInstallationsStore(std::shared_ptr<VDUKeychainStorage> secureStorage, std::optional<std::string> accessGroup);

  // Fulfils with a VURInstallationsItem, or rejects with the not-found error (code 0) or the
  // keychain's error.
  VBLPromise::Ptr installationForAppID(const std::string& appID, const std::string& appName);
  // Fulfils with null.
  VBLPromise::Ptr saveInstallation(const std::shared_ptr<class VURInstallationsItem>& item);
  VBLPromise::Ptr removeInstallationForAppID(const std::string& appID, const std::string& appName);
  // Fulfils with null when the marker exists, else rejects with the not-found error.
  VBLPromise::Ptr installationExistsForAppID(const std::string& appID, const std::string& appName);
  VBLPromise::Ptr setInstallationExists(bool exists, const std::string& identifier);

 private:
  std::shared_ptr<VDUKeychainStorage> secureStorage_;
  std::optional<std::string> accessGroup_;
  std::shared_ptr<platform::dispatch::Queue> queue_;
  std::shared_ptr<VDUUserDefaults> userDefaults_;
};

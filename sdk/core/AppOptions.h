#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::core {

// The settings that identify the app to the SDK's services, read from the bundle's
// "VadezeService-Info.plist" or built by the app. An app keeps a locked copy: once locked, every
// setter raises, so nothing can change an app's identity behind its services' backs.
class AppOptions {
 public:
  using Value = platform::foundation::Value;
  using Dictionary = platform::foundation::Dictionary;
  using Ptr = std::shared_ptr<AppOptions>;

  static constexpr const char* kOptionsResource = "VadezeService-Info";
  static constexpr const char* kOptionsType = "plist";
  // A few dozen keys: an options file past this is not one.
  static constexpr std::size_t kMaximumFileBytes = std::size_t{1} << 20;

  // The options file's keys.
  static constexpr const char* kAPIKey = "API_KEY";
  static constexpr const char* kBundleID = "BUNDLE_ID";
  static constexpr const char* kClientID = "CLIENT_ID";
  static constexpr const char* kTrackingID = "TRACKING_ID";
  static constexpr const char* kSenderID = "GCM_SENDER_ID";
  static constexpr const char* kProjectID = "PROJECT_ID";
  static constexpr const char* kAndroidClientID = "ANDROID_CLIENT_ID";
  static constexpr const char* kAppID = "VADEZE_APP_ID";
  static constexpr const char* kDatabaseURL = "DATABASE_URL";
  static constexpr const char* kStorageBucket = "STORAGE_BUCKET";
  static constexpr const char* kIsAnalyticsEnabled = "IS_ANALYTICS_ENABLED";
  static constexpr const char* kIsSignInEnabled = "IS_SIGNIN_ENABLED";
  // The analytics switches, looked up in the app's Info.plist before the options file.
  static constexpr const char* kIsMeasurementEnabled = "IS_MEASUREMENT_ENABLED";
  static constexpr const char* kAnalyticsCollectionEnabled = "VUREVORE_ANALYTICS_COLLECTION_ENABLED";
  static constexpr const char* kAnalyticsCollectionDeactivated = "VUREVORE_ANALYTICS_COLLECTION_DEACTIVATED";

  struct Private {
    explicit Private() = default;
  };
  AppOptions(Private, Dictionary dictionary, bool usingDefaultPlist);

  // Built once (per main bundle) from the bundle's options file; nullptr when there is none or it is not a
  // dictionary.
  static Ptr defaultOptions();
  static std::optional<Dictionary> defaultOptionsDictionary();
  // The resource's path in the relevant bundles; "" (with an error line) when there is none.
  static std::string plistFilePathWithName(const std::string& resourceName);
  // Forgets the default options, so the next call reads the file again.
  static void resetDefaultOptions();

  static Ptr initInternalWithOptionsDictionary(Dictionary dictionary);
  // nullptr (with an error line) for an empty path or a file that is no property-list dictionary.
  static Ptr initWithContentsOfFile(const std::string& path);
  static Ptr initWithAppID(const std::string& appID, const std::string& senderID);

  // "" when the key is missing or holds no string. Setters raise once the options are locked; an
  // empty optional removes the key.
  std::string APIKey() const { return stringForKey(kAPIKey); }
  std::string bundleID() const { return stringForKey(kBundleID); }
  std::string clientID() const { return stringForKey(kClientID); }
  std::string trackingID() const { return stringForKey(kTrackingID); }
  std::string senderID() const { return stringForKey(kSenderID); }
  std::string projectID() const { return stringForKey(kProjectID); }
  std::string androidClientID() const { return stringForKey(kAndroidClientID); }
  std::string appID() const { return stringForKey(kAppID); }
  std::string databaseURL() const { return stringForKey(kDatabaseURL); }
  std::string storageBucket() const { return stringForKey(kStorageBucket); }
  void setAPIKey(std::optional<std::string> value) { setStringForKey(kAPIKey, std::move(value)); }
  void setBundleID(std::optional<std::string> value) { setStringForKey(kBundleID, std::move(value)); }
  void setClientID(std::optional<std::string> value) { setStringForKey(kClientID, std::move(value)); }
  void setTrackingID(std::optional<std::string> value) { setStringForKey(kTrackingID, std::move(value)); }
  void setSenderID(std::optional<std::string> value) { setStringForKey(kSenderID, std::move(value)); }
  void setProjectID(std::optional<std::string> value) { setStringForKey(kProjectID, std::move(value)); }
  void setAndroidClientID(std::optional<std::string> value) { setStringForKey(kAndroidClientID, std::move(value)); }
  void setAppID(std::optional<std::string> value) { setStringForKey(kAppID, std::move(value)); }
  void setDatabaseURL(std::optional<std::string> value) { setStringForKey(kDatabaseURL, std::move(value)); }
  void setStorageBucket(std::optional<std::string> value) { setStringForKey(kStorageBucket, std::move(value)); }

  const std::optional<std::string>& deepLinkURLScheme() const { return deepLinkURLScheme_; }
  void setDeepLinkURLScheme(std::optional<std::string> scheme);
  const std::optional<std::string>& appGroupID() const { return appGroupID_; }
  void setAppGroupID(std::optional<std::string> group);

  // Each switch of the options, of the Info.plist and of the analytics dictionary is read by
  // Value::boolValue: "YES" written as text turns it on, as a boolean true does.
  bool isAnalyticsEnabled() const;
  bool isSignInEnabled() const;
  // "8.7.0" as "80700000": the major part as written, minor and patch as two digits, then "000".
  static const std::string& libraryVersionID();
  bool usingOptionsFromDefaultPlist() const { return usingOptionsFromDefaultPlist_; }
  bool isEditingLocked() const { return editingLocked_; }
  void setEditingLocked(bool locked) { editingLocked_ = locked; }
  const Dictionary& optionsDictionary() const { return optionsDictionary_; }

  // The three analytics switches, each from `infoDictionary` when it has the key, else from the
  // options file.
  Dictionary analyticsOptionsDictionaryWithInfoDictionary(const Value& infoDictionary) const;
  // The same with the main bundle's Info.plist, built on first use and then kept.
  const Dictionary& analyticsOptionsDictionary() const;
  bool isAnalyticsCollectionDeactivated() const;
  // Off when deactivated; else the explicit switch; else the default app's data-collection switch
  // (off when no default app is configured).
  bool isMeasurementEnabled() const;
  bool isAnalyticsCollectionEnabled() const;
  bool isAnalyticsCollectionExplicitlySet() const;

  // Same dictionary, scheme, group, lock and origin; the analytics switches are looked up again.
  Ptr copy() const;
  bool isEqualToOptions(const AppOptions& other) const;
  bool operator==(const AppOptions& other) const { return isEqualToOptions(other); }
  std::size_t hash() const;

 private:
  std::string stringForKey(const char* key) const;
  void setStringForKey(const char* key, std::optional<std::string> value);
  void checkEditingLocked() const;

  mutable std::once_flag analyticsOnce_;
  mutable Dictionary analyticsOptionsDictionary_;
  bool usingOptionsFromDefaultPlist_ = false;
  bool editingLocked_ = false;
  std::optional<std::string> deepLinkURLScheme_;
  std::optional<std::string> appGroupID_;
  Dictionary optionsDictionary_;
};

}  // namespace sdk::core


#include "sdk/core/AppOptions.h"

#include <cstdlib>
#include <functional>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/core/App.h"
#include "sdk/core/BundleUtil.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/core/CoreMessageCodes.h"
#include "sdk/core/SDKVersion.h"

namespace sdk::core {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

constexpr const char* kOptionsService = "[Vurevore/Core]";

// Read once per main bundle: a process has one, tests swap it.
struct DefaultOptionsState {
  std::mutex mutex;
  bool read = false;
  std::string bundlePath;
  std::optional<Dictionary> dictionary;
  AppOptions::Ptr options;
};

DefaultOptionsState& defaults() {
  static DefaultOptionsState state;
  return state;
}

// Reads the options file; the state's mutex is held.
void readDefaultsLocked(DefaultOptionsState& state) {
  const std::string bundlePath = platform::foundation::Bundle::main()->bundlePath();
  if (state.read && state.bundlePath == bundlePath) return;
  state.read = true;
  state.bundlePath = bundlePath;
  state.dictionary.reset();
  state.options.reset();
  const std::string path = AppOptions::plistFilePathWithName(AppOptions::kOptionsResource);
  if (path.empty()) return;
  Value contents = platform::foundation::PropertyList::readFile(path, AppOptions::kMaximumFileBytes);
  if (!contents.isDictionary()) {
    coreLogError(kOptionsService, messages::kConfigurationFileNotADictionary, "The configuration file is not a dictionary: '%@.%@'.",
                AppOptions::kOptionsResource, AppOptions::kOptionsType);
    return;
  }
  state.dictionary = *contents.dictionary();
  state.options = AppOptions::initInternalWithOptionsDictionary(*state.dictionary);
}

// A switch may be written as a boolean, a number or a text ("YES"): each reads as the phone reads it.
bool boolSwitch(const Dictionary& dictionary, const char* key) {
  auto found = dictionary.find(key);
  return found != dictionary.end() && found->second.boolValue();
}

bool isNumberAt(const Dictionary& dictionary, const char* key) {
  auto found = dictionary.find(key);
  return found != dictionary.end() && found->second.isNumber();
}

bool sameOptional(const std::optional<std::string>& a, const std::optional<std::string>& b) { return a == b; }

}  // namespace

AppOptions::AppOptions(Private, Dictionary dictionary, bool usingDefaultPlist)
    : usingOptionsFromDefaultPlist_(usingDefaultPlist), optionsDictionary_(std::move(dictionary)) {}

AppOptions::Ptr AppOptions::defaultOptions() {
  DefaultOptionsState& state = defaults();
  std::lock_guard lock(state.mutex);
  readDefaultsLocked(state);
  return state.options;
}

std::optional<Dictionary> AppOptions::defaultOptionsDictionary() {
  DefaultOptionsState& state = defaults();
  std::lock_guard lock(state.mutex);
  readDefaultsLocked(state);
  return state.dictionary;
}

std::string AppOptions::plistFilePathWithName(const std::string& resourceName) {
  std::string path =
      BundleUtil::optionsDictionaryPathWithResourceName(resourceName, kOptionsType, BundleUtil::relevantBundles());
  if (path.empty()) {
    coreLogError(kOptionsService, messages::kConfigurationFileNotFound, "Could not locate configuration file: '%@.%@'.", resourceName, kOptionsType);
  }
  return path;
}

void AppOptions::resetDefaultOptions() {
  DefaultOptionsState& state = defaults();
  std::lock_guard lock(state.mutex);
  state.read = false;
  state.dictionary.reset();
  state.options.reset();
}

AppOptions::Ptr AppOptions::initInternalWithOptionsDictionary(Dictionary dictionary) {
  return std::make_shared<AppOptions>(Private(), std::move(dictionary), true);
}

AppOptions::Ptr AppOptions::initWithContentsOfFile(const std::string& path) {
  if (path.empty()) {
    coreLogError(kOptionsService, messages::kConfigurationFilePathNil, "The plist file path is nil.");
    return nullptr;
  }
  Value contents = platform::foundation::PropertyList::readFile(path, kMaximumFileBytes);
  if (!contents.isDictionary()) {
    coreLogError(kOptionsService, messages::kConfigurationFileUnreadable,
                "The configuration file at %@ does not exist or is not a well-formed plist file.", path);
    return nullptr;
  }
  return std::make_shared<AppOptions>(Private(), *contents.dictionary(), false);
}

AppOptions::Ptr AppOptions::initWithAppID(const std::string& appID, const std::string& senderID) {
  Dictionary dictionary;
  if (!appID.empty()) dictionary[kAppID] = appID;
  if (!senderID.empty()) dictionary[kSenderID] = senderID;
  const std::string bundleID = platform::foundation::Bundle::main()->bundleIdentifier();
  if (!bundleID.empty()) dictionary[kBundleID] = bundleID;
  return std::make_shared<AppOptions>(Private(), std::move(dictionary), false);
}

std::string AppOptions::stringForKey(const char* key) const {
  auto found = optionsDictionary_.find(key);
  return found == optionsDictionary_.end() ? std::string() : found->second.toString();
}

void AppOptions::checkEditingLocked() const {
  if (editingLocked_) {
    throw platform::foundation::Exception(App::kExceptionName,
                                          "Attempted to modify options after it's set on REDIri. Please modify all "
                                          "properties before initializing REDIri.");
  }
}

void AppOptions::setStringForKey(const char* key, std::optional<std::string> value) {
  checkEditingLocked();
  if (value) {
    optionsDictionary_[key] = std::move(*value);
  } else {
    optionsDictionary_.erase(key);
  }
}

void AppOptions::setDeepLinkURLScheme(std::optional<std::string> scheme) {
  checkEditingLocked();
  deepLinkURLScheme_ = std::move(scheme);
}

void AppOptions::setAppGroupID(std::optional<std::string> group) {
  checkEditingLocked();
  appGroupID_ = std::move(group);
}

const std::string& AppOptions::libraryVersionID() {
  static const std::string id = [] {
    const std::string version = kSDKVersion;
    const auto first = version.find('.');
    const auto second = version.find('.', first + 1);
    const std::string major = version.substr(0, first);
    const int minor = std::atoi(version.substr(first + 1, second - first - 1).c_str());
    const int patch = std::atoi(version.substr(second + 1).c_str());
    return platform::foundation::format("%@%02d%02d000", major, minor, patch);
  }();
  return id;
}

Dictionary AppOptions::analyticsOptionsDictionaryWithInfoDictionary(const Value& infoDictionary) const {
  Dictionary result;
  for (const char* key : {kIsMeasurementEnabled, kAnalyticsCollectionEnabled, kAnalyticsCollectionDeactivated}) {
    const Value& info = infoDictionary[key];
    if (!info.isNil()) {
      result[key] = info;
    } else if (auto found = optionsDictionary_.find(key); found != optionsDictionary_.end()) {
      result[key] = found->second;
    }
  }
  return result;
}

const Dictionary& AppOptions::analyticsOptionsDictionary() const {
  std::call_once(analyticsOnce_, [this] {
    analyticsOptionsDictionary_ =
        analyticsOptionsDictionaryWithInfoDictionary(platform::foundation::Bundle::main()->infoDictionary());
  });
  return analyticsOptionsDictionary_;
}

bool AppOptions::isAnalyticsEnabled() const { return boolSwitch(optionsDictionary_, kIsAnalyticsEnabled); }

bool AppOptions::isSignInEnabled() const { return boolSwitch(optionsDictionary_, kIsSignInEnabled); }

bool AppOptions::isAnalyticsCollectionDeactivated() const {
  return boolSwitch(analyticsOptionsDictionary(), kAnalyticsCollectionDeactivated);
}

bool AppOptions::isMeasurementEnabled() const {
  if (isAnalyticsCollectionDeactivated()) return false;
  const Dictionary& analytics = analyticsOptionsDictionary();
  if (analytics.contains(kIsMeasurementEnabled)) return boolSwitch(analytics, kIsMeasurementEnabled);
  auto app = App::defaultAppIfConfigured();
  return app && app->isDataCollectionDefaultEnabled();
}

bool AppOptions::isAnalyticsCollectionEnabled() const {
  if (isAnalyticsCollectionDeactivated()) return false;
  const Dictionary& analytics = analyticsOptionsDictionary();
  if (analytics.contains(kAnalyticsCollectionEnabled)) return boolSwitch(analytics, kAnalyticsCollectionEnabled);
  return isMeasurementEnabled();
}

bool AppOptions::isAnalyticsCollectionExplicitlySet() const {
  if (isAnalyticsCollectionDeactivated()) return true;
  const Dictionary& analytics = analyticsOptionsDictionary();
  return isNumberAt(analytics, kAnalyticsCollectionEnabled) || isNumberAt(analytics, kIsMeasurementEnabled);
}

AppOptions::Ptr AppOptions::copy() const {
  auto copied = std::make_shared<AppOptions>(Private(), optionsDictionary_, usingOptionsFromDefaultPlist_);
  copied->deepLinkURLScheme_ = deepLinkURLScheme_;
  copied->appGroupID_ = appGroupID_;
  copied->editingLocked_ = editingLocked_;
  return copied;
}

bool AppOptions::isEqualToOptions(const AppOptions& other) const {
  return optionsDictionary_ == other.optionsDictionary_ && sameOptional(deepLinkURLScheme_, other.deepLinkURLScheme_) &&
         sameOptional(appGroupID_, other.appGroupID_) &&
         analyticsOptionsDictionary() == other.analyticsOptionsDictionary();
}

std::size_t AppOptions::hash() const {
  std::hash<std::string> text;
  return text(Value(optionsDictionary_).description()) ^ text(deepLinkURLScheme_.value_or("")) ^
         text(appGroupID_.value_or(""));
}

}  // namespace sdk::core

